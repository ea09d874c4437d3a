#include "diagnostics.h"

#include <utility>

namespace nuvex::pack {

std::string Printable(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string FormatDiagnostic(const Diagnostic& d) {
    std::string out;
    if (!d.file.empty()) {
        out += d.file;
        if (d.line > 0) {
            out += ':' + std::to_string(d.line);
        }
        out += ": ";
    }
    out += d.severity == Severity::kError ? "error: " : "warning: ";
    out += d.message;
    return Printable(out);
}

void Diagnostics::Warn(const std::string& file, int line, const std::string& message) {
    Add({Severity::kWarning, file, line, message});
}

void Diagnostics::Error(const std::string& file, int line, const std::string& message) {
    Add({Severity::kError, file, line, message});
}

void Diagnostics::Add(Diagnostic d) {
    if (strict && d.severity == Severity::kWarning) {
        d.severity = Severity::kError;
        d.message += " [--strict]";
    }
    if (d.severity == Severity::kError) {
        ++errors_;
    } else {
        ++warnings_;
    }
    items_.push_back(std::move(d));
    if (onReport) {
        onReport(items_.back());
    }
}

}  // namespace nuvex::pack
