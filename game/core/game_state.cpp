#include "core/game_state.h"

#include "korva2d/korva2d_calls.h"

namespace game {

GameState G;
std::string ProgramFolder;

namespace {
vr::com::ComPtr<korva2d::_Engine> g_engine;
vr::com::ComPtr<korva2d::_Extra> g_extra;
korva2d::_Engine* g_engineOverride = nullptr;
korva2d::_Extra* g_extraOverride = nullptr;
}  // namespace

korva2d::_Engine& LibEngine() {
    if (g_engineOverride) return *g_engineOverride;
    if (!g_engine) g_engine = korva2d::calls::Create<korva2d::_Engine>(korva2d::CLSID_Engine, korva2d::IID__Engine);
    return *g_engine;
}

korva2d::_Extra& LibExtra() {
    if (g_extraOverride) return *g_extraOverride;
    if (!g_extra) g_extra = korva2d::calls::Create<korva2d::_Extra>(korva2d::CLSID_Extra, korva2d::IID__Extra);
    return *g_extra;
}

void SetLibraryObjects(korva2d::_Engine* engine, korva2d::_Extra* extra) {
    g_engineOverride = engine;
    g_extraOverride = extra;
}

}  // namespace game
