// The DirectX 8 root object, factory of the other services, and the D3DX
// object's creation.
#pragma once
#include <memory>
#include <string>

#include "core/dx8/d3dx8.h"
#include "core/dx8/direct3d8.h"
#include "core/dx8/direct_input8.h"
#include "core/dx8/direct_sound8.h"

namespace korva2d::dx8 {

class DirectX8 {
public:
    std::shared_ptr<Direct3D8> Direct3DCreate();
    std::shared_ptr<DirectInput8> DirectInputCreate();
    std::shared_ptr<DirectSoundEnum8> GetDSEnum();
    std::shared_ptr<DirectSound8> DirectSoundCreate(const std::string& guid);
};

std::shared_ptr<DirectX8> CreateDirectX8();
std::shared_ptr<D3DX8> CreateD3DX8();

}  // namespace korva2d::dx8
