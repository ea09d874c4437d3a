#include "package_fixture.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "package_layout.h"

namespace nuvex::test {

namespace {

std::string ExeDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path);
    return s.substr(0, s.find_last_of('\\'));
}

}  // namespace

std::string TestWorkDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string root = ExeDir() + "\\test-work";
    CreateDirectoryA(root.c_str(), nullptr);
    std::string dir = root + "\\" + info->test_suite_name() + "." + info->name();
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name != "." && name != "..") {
                RemoveTree(path + "\\" + name);
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    if (!RemoveDirectoryA(path.c_str())) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
}

std::string StubPath() { return ExeDir() + "\\nuvex.exe"; }

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string HeaderText() {
    std::string h;
    for (std::size_t i = 0; i < layout::kHeaderSize; ++i) {
        h += static_cast<char>(layout::HeaderByte(i));
    }
    return h;
}

std::string WindowsPath(std::string unixPath) {
    for (char& c : unixPath) {
        c = c == '/' ? '\\' : c;
    }
    return "Z:" + unixPath;
}

std::string MakePackage(const std::string& out, const std::vector<std::string>& scriptLines,
                        const std::string& payload, const std::string& endMarker) {
    std::string bytes = ReadFileBytes(StubPath());
    bytes += HeaderText() + "\r\n";
    for (const std::string& line : scriptLines) {
        bytes += line + "\r\n";
    }
    bytes += endMarker + payload;
    WriteFileBytes(out, bytes);
    return bytes;
}

bool BuildPackage(const std::string& out, const std::vector<std::string>& scriptLines,
                  const std::string& sourceDir, std::string* log) {
    const std::string folder = out.substr(0, out.find_last_of('\\'));
    const std::string script = out + ".ini";
    const std::string output = out + ".log";
    std::string text;
    for (const std::string& line : scriptLines) {
        text += line + "\r\n";
    }
    WriteFileBytes(script, text);

    // One job: compression threads gain nothing on a handful of small files.
    DWORD code = 1;
    const std::string args = "build \"" + script + "\" -o \"" + out + "\" --stub \"" + StubPath() +
                             "\" --source \"" + (sourceDir.empty() ? folder : sourceDir) +
                             "\" --jobs 1 --quiet";
    const bool ok = RunPackageBuilder(args, output, &code) && code == 0;
    if (!ok && log) {
        *log = ReadFileBytes(output);
    }
    return ok;
}

bool RunPackageBuilder(const std::string& args, const std::string& logPath, unsigned long* code) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = file;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string command = "\"" + ExeDir() + "\\nuvexpack.exe\" " + args;
    PROCESS_INFORMATION pi = {};
    bool ended = false;
    *code = 255;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                       &pi)) {
        ended = WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0;
        if (!ended) {
            TerminateProcess(pi.hProcess, 255);
        }
        GetExitCodeProcess(pi.hProcess, code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(file);
    return ended;
}

std::vector<std::pair<std::string, std::string>> TempEnv(const std::string& dir) {
    return {{"TMP", dir}, {"TEMP", dir}};
}

}  // namespace nuvex::test
