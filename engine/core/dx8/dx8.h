// The DirectX 8 services the engine uses, on SDL2 and the platform's audio
// mixer, one header per service. Objects are counted references; a failing
// operation throws vr::RuntimeError whose number is the DirectX failure code.
#pragma once
#include "core/dx8/d3dx8.h"
#include "core/dx8/direct3d8.h"
#include "core/dx8/direct_input8.h"
#include "core/dx8/direct_sound8.h"
#include "core/dx8/directx8.h"
#include "core/dx8/dx8_errors.h"
