// The library's diagnostics (its debugger lines): on standard error under
// --verbose, dropped otherwise, and seen by a command that needs to know what
// an outside library said.
#pragma once

#include <string>
#include <vector>

#include "ZELDevice/ZELDevice.h"

namespace zelhost {

// Sends every debugger line to standard error ("zelhost: library: ...") when
// verbose, nowhere otherwise.
void InstallDiagnostics(bool verbose);

// Keeps the debugger lines written while it lives (still shown when verbose),
// then puts the usual handling back.
class DiagnosticCapture {
public:
    explicit DiagnosticCapture(bool verbose);
    ~DiagnosticCapture();
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    // The lines kept, without their line feeds, as UTF-8.
    const std::vector<std::string>& Lines() const { return m_lines; }

private:
    static void Keep(LPCWSTR line, void* context);

    bool m_verbose;
    std::vector<std::string> m_lines;
};

}  // namespace zelhost
