// The step every built-in control's window procedure begins with: finding
// its window record and the state the control keeps beside it.
#pragma once

#include <memory>

#include "ce/WindowSystem.h"
#include "platform/ce/CeWindow.h"

namespace host {

// Runs `procedure(record, state, h, message, wParam, lParam)` for a message
// to a built-in control. WM_CREATE makes the control's State, calls
// `created(record)` for a control that shapes its own window, and answers 0,
// as does a message to an unknown window; a window without the state gets
// the default procedure.
template <class State, class Procedure, class Created>
ce::LRESULT controlProcedure(ce::HWND h, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam,
                             Procedure procedure, Created created) {
    WindowRecord* r = WindowSystem::current().find(h);
    if (!r)
        return 0;
    if (message == ce::WM_CREATE) {
        r->state = std::make_unique<State>();
        created(*r);
        return 0;
    }
    auto* s = r->stateAs<State>();
    if (!s)
        return ce::DefWindowProcW(h, message, wParam, lParam);
    return procedure(r, s, h, message, wParam, lParam);
}

template <class State, class Procedure>
ce::LRESULT controlProcedure(ce::HWND h, ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam,
                             Procedure procedure) {
    return controlProcedure<State>(h, message, wParam, lParam, procedure, [](WindowRecord&) {});
}

}  // namespace host
