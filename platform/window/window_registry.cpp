#include "window/window_registry.h"

#include <SDL.h>

#include <map>

#include "platform/form.h"
#include "platform/picture_box.h"
#include "platform/window_handles.h"

namespace vr::detail {

namespace {
// The registries live until the process ends, so forms destroyed during the
// process's exit (in any order) still find them.
std::map<HWND, HandleTarget>& Handles() {
    static auto* handles = new std::map<HWND, HandleTarget>();
    return *handles;
}
HWND g_next = 0x10000;
}  // namespace

HWND NewHandle(Form* form, PictureBox* box) {
    HWND h = g_next;
    g_next += 4;
    Handles()[h] = HandleTarget{form, box};
    return h;
}

void DropHandle(HWND hwnd) { Handles().erase(hwnd); }

HandleTarget Lookup(HWND hwnd) {
    auto it = Handles().find(hwnd);
    return it == Handles().end() ? HandleTarget{} : it->second;
}

std::vector<Form*>& AllForms() {
    static auto* forms = new std::vector<Form*>();
    return *forms;
}

Form* FormOfWindowId(uint32_t id) {
    for (Form* f : AllForms())
        if (f->Shown() && f->NativeWindowId() == id) return f;
    return nullptr;
}

}  // namespace vr::detail

namespace vr {
WindowOfHandle LookupWindow(HWND hwnd) {
    auto t = detail::Lookup(hwnd);
    return WindowOfHandle{t.form, t.box};
}
}  // namespace vr
