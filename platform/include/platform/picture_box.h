// A picture box: a child window of a form that keeps a persistent image.
//
// Drawing goes into the box's image (its surface); the form shows its boxes'
// images when it repaints, which happens only while messages are processed
// (platform/message_loop.h) or a modal dialog waits. The box's mouse handlers
// run only inside those calls.
#pragma once
#include <memory>
#include <string>

#include "platform/gdi.h"
#include "platform/user_types.h"

namespace vr {

class Form;

class PictureBox {
public:
    PictureBox(Form& owner, std::string name, int left, int top, int width, int height, bool border, bool visible);
    PictureBox(const PictureBox&) = delete;
    PictureBox& operator=(const PictureBox&) = delete;

    const std::string& Name() const { return name_; }
    HWND hWnd() const { return hwnd_; }
    Form& Owner() const { return owner_; }

    // Outer rectangle in the form's client area; the drawing area lies inside
    // the one-pixel border when there is one.
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool HasBorder() const { return border_; }
    int ScaleWidth() const { return image_.width; }
    int ScaleHeight() const { return image_.height; }
    void Move(int left, int top, int width, int height);

    bool Visible() const { return visible_; }
    void SetVisible(bool v);

    void SetBackColor(COLORREF c);
    COLORREF ForeColor() const { return foreColor_; }
    void SetForeColor(COLORREF c) { foreColor_ = c; }
    FontSpec& Font() { return font_; }

    // The picture: shown under the drawn graphics; cleared images keep it.
    const Surface& Picture() const { return picture_; }
    void SetPicture(Surface picture);
    void LoadPicture(const std::string& path);  // throws RuntimeError on failure
    void ClearPicture();                          // loads an empty picture

    // The persistent image: every drawing call goes here.
    Surface& Image() { return image_; }
    const Surface& Image() const { return image_; }
    // Clears drawn graphics and text; the picture stays.
    void Cls();
    // Marks the image as changed so that the next message processing repaints.
    void Invalidate();

    // One line of text at (x, y) in the box's font and text colour.
    void Print(int x, int y, const std::string& ansiText);

    // The pointer image shown while the pointer is over the box.
    void SetPointerImage(const Surface& image, const Surface& mask, int hotX, int hotY);

    MouseHandler onMouseDown, onMouseUp, onMouseMove;

private:
    friend class Form;
    void RebuildImage();

    Form& owner_;
    std::string name_;
    HWND hwnd_;
    int left_, top_, width_, height_;
    bool border_, visible_;
    COLORREF backColor_ = RGB(0, 0, 0);
    COLORREF foreColor_ = RGB(0, 0, 0);
    FontSpec font_;
    Surface picture_;
    Surface image_;
    struct Pointer;
    std::shared_ptr<Pointer> pointer_;
};

}  // namespace vr
