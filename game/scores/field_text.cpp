#include "scores/field_text.h"

#include "core/game_state.h"
#include "window/form1.h"

namespace game {

void PrintFieldText(const vr::Variant& text, const vr::Variant& x, const vr::Variant& y, int16_t size, bool bold,
                    bool highlight) {
    vr::PictureBox& f = Field();
    vr::COLORREF saved = f.ForeColor();
    std::string t = text.ToText();
    if (highlight && t.substr(0, 2) == vr::FormatZeros(G.HighlightPlace, 2)) f.SetForeColor(kHighlightColour);
    f.Font().size = size;
    f.Font().bold = bold;
    f.Print(x.ToInt32(), y.ToInt32(), t + "     ");
    f.SetForeColor(saved);
}

std::string FormatTime(int16_t seconds) {
    int minutes = 0, s = seconds;
    while (s > 59) {
        ++minutes;
        s -= 60;
    }
    return vr::FormatZeros(minutes, 2) + ":" + vr::FormatZeros(s, 2);
}

}  // namespace game
