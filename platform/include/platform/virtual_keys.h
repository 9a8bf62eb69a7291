// Windows virtual-key codes and SDL key codes, one from the other.
#pragma once

namespace vr {

// The Windows virtual-key code of an SDL key code (0 when it has none).
int VirtualKeyFromSdl(int sdlKeycode);
// The SDL key code of a virtual-key code (tests and scripted input).
int SdlKeyFromVirtualKey(int vk);

}  // namespace vr
