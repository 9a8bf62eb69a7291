// The window system's side of forms and their drawing layers: SDL's window,
// renderer and textures. For the platform's own files, and for tests and
// benchmarks that compare with SDL or drive it directly.
#pragma once
#include <SDL.h>

#include <memory>

#include "platform/drawing.h"
#include "platform/form.h"

namespace vr {

struct Form::Native {
    SDL_Window* window = nullptr;      // null while the form is not shown
    std::shared_ptr<Drawing> drawing;  // the window's renderer
    SDL_Texture* canvas = nullptr;     // the boxes' images, streamed
};

struct Drawing::Native {
    // A layer on a new renderer of the window; null (SDL's error says why) when none can be made.
    static std::shared_ptr<Drawing> ForWindow(SDL_Window* window);
    static SDL_Renderer* Renderer(const Drawing& d) { return reinterpret_cast<SDL_Renderer*>(d.renderer_); }
    static SDL_Texture* Of(const Texture& t) { return reinterpret_cast<SDL_Texture*>(t.handle_); }
    // Destroys the renderer with every texture; the layer is gone from then on.
    static void Close(Drawing& d);
    // Aims the renderer at `target` (null: the window) for a frame that Show
    // draws on; EndFrame aims it where it was before.
    static void BeginFrame(Drawing& d, SDL_Texture* target);
    static void EndFrame(Drawing& d);
};

// The SDL window of a form (null while it is not shown).
inline SDL_Window* NativeWindow(const Form& form) { return form.NativeSide().window; }
// The SDL renderer of a shown form (null while it is not shown).
SDL_Renderer* NativeRenderer(const Form& form);

}  // namespace vr
