// The wall around every entry point of a driver: the host calls through a C interface, and no
// exception may cross it. The body's exception makes the call fail with `failed`; with a report, the
// driver also keeps what went wrong (for the host's next CBIGetLastError), as best it can.
#pragma once

#include <exception>
#include <string>

namespace tavrin::driver {

template <class Result, class Body> Result GuardEntry(Result failed, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failed;
    }
}

// `report(what)` hears the exception's text, prefixed with `prefix`; an exception from the report
// itself is dropped.
template <class Result, class Body, class Report>
Result GuardEntry(Result failed, Body&& body, const char* prefix, Report&& report) noexcept {
    try {
        return body();
    } catch (const std::exception& e) {
        try {
            report(std::string(prefix) + e.what());
        } catch (...) {
        }
        return failed;
    } catch (...) {
        return failed;
    }
}

} // namespace tavrin::driver
