#include "diagnostics.h"

#include <cstdio>

namespace zelhost {

namespace {

std::string LineText(LPCWSTR line) {
    std::string text = ZelToUtf8(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

void PrintDiagnostic(LPCWSTR line, void*) { std::fprintf(stderr, "zelhost: library: %s\n", LineText(line).c_str()); }

void DropDiagnostic(LPCWSTR, void*) {}

}  // namespace

void InstallDiagnostics(bool verbose) { ZelSetDebugSink(verbose ? &PrintDiagnostic : &DropDiagnostic, nullptr); }

DiagnosticCapture::DiagnosticCapture(bool verbose) : m_verbose(verbose) { ZelSetDebugSink(&Keep, this); }

DiagnosticCapture::~DiagnosticCapture() { InstallDiagnostics(m_verbose); }

void DiagnosticCapture::Keep(LPCWSTR line, void* context) {
    auto* self = static_cast<DiagnosticCapture*>(context);
    self->m_lines.push_back(LineText(line));
    if (self->m_verbose) PrintDiagnostic(line, nullptr);
}

}  // namespace zelhost
