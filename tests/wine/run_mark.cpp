// A program for run entries: it writes, beside itself into run-mark.txt, the folder it was
// started in and the show command it was given, one per line.
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    char self[MAX_PATH] = {}, folder[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    GetCurrentDirectoryA(sizeof folder, folder);
    char* slash = std::strrchr(self, '\\');
    if (!slash) {
        return 1;
    }
    std::strcpy(slash + 1, "run-mark.txt");
    FILE* mark = std::fopen(self, "wb");
    if (!mark) {
        return 1;
    }
    std::fprintf(mark, "%s\n%d\n", folder, show);
    std::fclose(mark);
    return 0;
}
