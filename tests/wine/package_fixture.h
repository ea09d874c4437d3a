// Files for the tests: a work folder per test, and packages assembled from the bare
// nuvex.exe, a script and payload bytes.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace nuvex::test {

// A fresh, empty folder for the running test (below the test executable's folder).
std::string TestWorkDir();
// Removes `path` with everything below it, read-only files included.
void RemoveTree(const std::string& path);

// The bare installer next to the test executable.
std::string StubPath();

std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// The header, then `scriptBody` with CR LF lines (lines joined as given), then `endMarker`,
// then `payload`. The result is written to `out` and returned.
std::string MakePackage(const std::string& out, const std::vector<std::string>& scriptLines,
                        const std::string& payload = "x", const std::string& endMarker = "[/END]");

// Builds a package the way product makers do: writes `scriptLines` to OUT.ini beside `out`
// and runs the package builder nuvexpack.exe on it with the bare installer and the files of
// `sourceDir` (the test folder when empty). On failure the builder's output goes to `log`.
bool BuildPackage(const std::string& out, const std::vector<std::string>& scriptLines,
                  const std::string& sourceDir = "", std::string* log = nullptr);

// Runs nuvexpack.exe from beside the test executable with `args`, its output going to
// `logPath`, and waits at most two minutes. False when it did not end by then (it is
// killed); its exit code goes to `code`.
bool RunPackageBuilder(const std::string& args, const std::string& logPath, unsigned long* code);

// A path of the build's host as the installer sees it: Wine maps the Unix root to drive Z:.
std::string WindowsPath(std::string unixPath);

// The seven header bytes, built so that no constant holds them.
std::string HeaderText();

// TMP and TEMP pointing at `dir`, for Launch.
std::vector<std::pair<std::string, std::string>> TempEnv(const std::string& dir);

}  // namespace nuvex::test
