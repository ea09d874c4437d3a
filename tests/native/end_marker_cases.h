// Where a script ends: the tails after a script that the installer's script copy must end at
// its marker, or refuse. The package reader of nuvexpack calls the same copy.
#pragma once

#include <string>
#include <vector>

namespace nuvex::test {

struct EndMarkerCase {
    const char* name;
    std::string tail;     // the bytes after "[Nuvex]\r\na=1\r\n"
    bool complete;        // the installer goes on (the script ended at its marker)
    std::string payload;  // what follows the marker, when complete
};

inline std::vector<EndMarkerCase> EndMarkerCases() {
    using namespace std::string_literals;
    return {
        {"plain marker", "[/END]PAY", true, "PAY"},
        {"other name", "[/Fin]P", true, "P"},
        {"empty name", "[/]P", true, "P"},
        {"NUL ends the name", "[/END\0PAY"s, true, "PAY"},
        {"NUL right after the slash", "[/\0P"s, true, "P"},
        {"line break inside the name", "[/EN\r\nD]P", true, "P"},
        {"section before the marker", "[x]\r\n[/E]P", true, "P"},
        {"nothing after the marker", "[/END]", true, ""},
        {"file ends in the name", "[/END", false, ""},
        {"file ends after the slash", "[/", false, ""},
        {"file ends after a [", "a[", false, ""},
        {"no marker at all", "b=2\r\n", false, ""},
    };
}

}  // namespace nuvex::test
