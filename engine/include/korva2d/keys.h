// Named key codes for GetKeyState, KeyPressed and KeyReleased: the DirectInput
// numbering under DirectInput's own names (DIK_ESCAPE is 1, DIK_F12 is 88),
// one for every key the engine's keyboard reports, and DirectInput's
// alternative names (DIK_BACKSPACE, DIK_UPARROW, ...) beside them.
#pragma once
#include <cstdint>

namespace korva2d {

// X(name, code) for every key the keyboard reports, in code order.
#define KORVA2D_KEYS(X)                                                                                          \
    X(ESCAPE, 0x01) X(1, 0x02) X(2, 0x03) X(3, 0x04) X(4, 0x05) X(5, 0x06) X(6, 0x07) X(7, 0x08) X(8, 0x09)     \
    X(9, 0x0A) X(0, 0x0B) X(MINUS, 0x0C) X(EQUALS, 0x0D) X(BACK, 0x0E) X(TAB, 0x0F) X(Q, 0x10) X(W, 0x11)        \
    X(E, 0x12) X(R, 0x13) X(T, 0x14) X(Y, 0x15) X(U, 0x16) X(I, 0x17) X(O, 0x18) X(P, 0x19) X(LBRACKET, 0x1A)    \
    X(RBRACKET, 0x1B) X(RETURN, 0x1C) X(LCONTROL, 0x1D) X(A, 0x1E) X(S, 0x1F) X(D, 0x20) X(F, 0x21) X(G, 0x22)   \
    X(H, 0x23) X(J, 0x24) X(K, 0x25) X(L, 0x26) X(SEMICOLON, 0x27) X(APOSTROPHE, 0x28) X(GRAVE, 0x29)           \
    X(LSHIFT, 0x2A) X(BACKSLASH, 0x2B) X(Z, 0x2C) X(X, 0x2D) X(C, 0x2E) X(V, 0x2F) X(B, 0x30) X(N, 0x31)         \
    X(M, 0x32) X(COMMA, 0x33) X(PERIOD, 0x34) X(SLASH, 0x35) X(RSHIFT, 0x36) X(MULTIPLY, 0x37) X(LMENU, 0x38)    \
    X(SPACE, 0x39) X(CAPITAL, 0x3A) X(F1, 0x3B) X(F2, 0x3C) X(F3, 0x3D) X(F4, 0x3E) X(F5, 0x3F) X(F6, 0x40)      \
    X(F7, 0x41) X(F8, 0x42) X(F9, 0x43) X(F10, 0x44) X(NUMLOCK, 0x45) X(SCROLL, 0x46) X(NUMPAD7, 0x47)           \
    X(NUMPAD8, 0x48) X(NUMPAD9, 0x49) X(SUBTRACT, 0x4A) X(NUMPAD4, 0x4B) X(NUMPAD5, 0x4C) X(NUMPAD6, 0x4D)       \
    X(ADD, 0x4E) X(NUMPAD1, 0x4F) X(NUMPAD2, 0x50) X(NUMPAD3, 0x51) X(NUMPAD0, 0x52) X(DECIMAL, 0x53)            \
    X(OEM_102, 0x56) X(F11, 0x57) X(F12, 0x58) X(F13, 0x64) X(F14, 0x65) X(F15, 0x66) X(KANA, 0x70)              \
    X(ABNT_C1, 0x73) X(CONVERT, 0x79) X(NOCONVERT, 0x7B) X(YEN, 0x7D) X(NUMPADEQUALS, 0x8D) X(PREVTRACK, 0x90)   \
    X(NEXTTRACK, 0x99) X(NUMPADENTER, 0x9C) X(RCONTROL, 0x9D) X(MUTE, 0xA0) X(CALCULATOR, 0xA1)                  \
    X(PLAYPAUSE, 0xA2) X(MEDIASTOP, 0xA4) X(VOLUMEDOWN, 0xAE) X(VOLUMEUP, 0xB0) X(WEBHOME, 0xB2)                 \
    X(NUMPADCOMMA, 0xB3) X(DIVIDE, 0xB5) X(SYSRQ, 0xB7) X(RMENU, 0xB8) X(PAUSE, 0xC5) X(HOME, 0xC7) X(UP, 0xC8)  \
    X(PRIOR, 0xC9) X(LEFT, 0xCB) X(RIGHT, 0xCD) X(END, 0xCF) X(DOWN, 0xD0) X(NEXT, 0xD1) X(INSERT, 0xD2)         \
    X(DELETE, 0xD3) X(LWIN, 0xDB) X(RWIN, 0xDC) X(APPS, 0xDD) X(POWER, 0xDE) X(SLEEP, 0xDF) X(WEBSEARCH, 0xE5)   \
    X(WEBFAVORITES, 0xE6) X(WEBREFRESH, 0xE7) X(WEBSTOP, 0xE8) X(WEBFORWARD, 0xE9) X(WEBBACK, 0xEA)              \
    X(MYCOMPUTER, 0xEB) X(MAIL, 0xEC) X(MEDIASELECT, 0xED)

#define KORVA2D_KEY_CONSTANT(name, code) inline constexpr int32_t DIK_##name = code;
KORVA2D_KEYS(KORVA2D_KEY_CONSTANT)
#undef KORVA2D_KEY_CONSTANT

// DirectInput's alternative names.
inline constexpr int32_t DIK_BACKSPACE = DIK_BACK;
inline constexpr int32_t DIK_NUMPADSTAR = DIK_MULTIPLY;
inline constexpr int32_t DIK_LALT = DIK_LMENU;
inline constexpr int32_t DIK_CAPSLOCK = DIK_CAPITAL;
inline constexpr int32_t DIK_NUMPADMINUS = DIK_SUBTRACT;
inline constexpr int32_t DIK_NUMPADPLUS = DIK_ADD;
inline constexpr int32_t DIK_NUMPADPERIOD = DIK_DECIMAL;
inline constexpr int32_t DIK_NUMPADSLASH = DIK_DIVIDE;
inline constexpr int32_t DIK_RALT = DIK_RMENU;
inline constexpr int32_t DIK_UPARROW = DIK_UP;
inline constexpr int32_t DIK_PGUP = DIK_PRIOR;
inline constexpr int32_t DIK_LEFTARROW = DIK_LEFT;
inline constexpr int32_t DIK_RIGHTARROW = DIK_RIGHT;
inline constexpr int32_t DIK_DOWNARROW = DIK_DOWN;
inline constexpr int32_t DIK_PGDN = DIK_NEXT;

// Every key's name (without "DIK_") and code, in code order.
struct KeyName {
    const char* name;
    int32_t code;
};
#define KORVA2D_KEY_ENTRY(name, code) KeyName{#name, code},
inline constexpr KeyName kKeyNames[] = {KORVA2D_KEYS(KORVA2D_KEY_ENTRY)};
#undef KORVA2D_KEY_ENTRY

}  // namespace korva2d
