#include "core/sound_cues.h"

#include "core/game_state.h"
#include "korva2d/korva2d_calls.h"

namespace game {

void RegisterSounds() {
    static const char* const kRegistrations[][2] = {
        {"small_exp", "small_exp.wav"},       {"small_exp2", "small_exp2.wav"},     {"fire1", "fire1.wav"},
        {"shield_boing", "shield_boing.wav"}, {"bonus", "bonus.wav"},               {"atomic_end", "atomic_end.wav"},
        {"bullet_wiz_l", "bullet_wiz_1.wav"}, {"bullet_wiz_r", "bullet_wiz_1.wav"}, {"wellcome", "wellcome.wav"},
        {"enemy_miss", "enemy_miss.wav"},     {"ambient_space", "ambient_space.wav"}, {"event", "event.wav"},
        {"keyboard", "keyboard.wav"},
    };
    for (const auto& r : kRegistrations) korva2d::calls::CreateSound(LibEngine(), r[0], r[1]);
}

void PlayCue(const std::string& key, bool loop, int volume, int pan, int frequency) {
    korva2d::calls::SoundPlay(LibEngine(), key, vr::ToBool16(loop), volume, pan, frequency);
}

}  // namespace game
