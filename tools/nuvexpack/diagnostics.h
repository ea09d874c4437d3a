// Errors and warnings of the package builder and the package tools.
//
// Script problems carry the script's file name and line, so that the product maker can jump
// to them; I/O problems carry the file they are about and line 0.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace nuvex::pack {

// `text` safe to print on a terminal: control characters (below 0x20, and 0x7F) become
// "\xNN", so an escape sequence in a name cannot drive the terminal and a NUL cannot cut
// a message short. Bytes from 0x80 stay, as names are in an ANSI code page.
std::string Printable(std::string_view text);

// A problem that ends the current command. Caught at the top of each command and turned
// into an error diagnostic. The text is made printable at once: what() is a C string, and
// a NUL from a file name or a package would cut it short.
class PackError : public std::runtime_error {
public:
    explicit PackError(const std::string& what) : std::runtime_error(Printable(what)) {}
};

enum class Severity { kWarning, kError };

struct Diagnostic {
    Severity severity = Severity::kError;
    std::string file;  // may be empty
    int line = 0;      // 0 when the problem is not about one line
    std::string message;
};

// "file:line: error: message", or without the parts that are not known; printable.
std::string FormatDiagnostic(const Diagnostic& d);

class Diagnostics {
public:
    void Warn(const std::string& file, int line, const std::string& message);
    void Error(const std::string& file, int line, const std::string& message);
    void Add(Diagnostic d);

    bool HasErrors() const { return errors_ > 0; }
    int ErrorCount() const { return errors_; }
    int WarningCount() const { return warnings_; }
    const std::vector<Diagnostic>& Items() const { return items_; }

    // Called for each diagnostic as it arrives (the command line prints them to stderr).
    std::function<void(const Diagnostic&)> onReport;
    // --strict: every warning arrives as an error, so that no package is written.
    bool strict = false;

private:
    std::vector<Diagnostic> items_;
    int errors_ = 0;
    int warnings_ = 0;
};

}  // namespace nuvex::pack
