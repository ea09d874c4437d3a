// Identifiers of the executable's bitmap resources. Included by the resource script too, so
// it holds nothing but defines.
#pragma once

#define IDB_BUTTON_NORMAL 20003
#define IDB_BUTTON_PRESSED 20004
#define IDB_CLOSE_NORMAL 20005
#define IDB_CLOSE_PRESSED 20006
#define IDB_RESULT_CROSS 20007
#define IDB_RESULT_CHECK 20008
#define IDB_BACKGROUND_STRIP 20009
#define IDB_LOGO 20100
#define IDB_CAPTION_BAND 20101
#define IDB_EDGE_TOP 20102
#define IDB_EDGE_BOTTOM 20103
#define IDB_EDGE_LEFT 20104
#define IDB_EDGE_RIGHT 20105
#define IDB_CORNER_TOP_LEFT 20106
#define IDB_CORNER_TOP_RIGHT 20107
#define IDB_CORNER_BOTTOM_LEFT 20108
#define IDB_CORNER_BOTTOM_RIGHT 20109
#define IDB_SEPARATOR 20110
