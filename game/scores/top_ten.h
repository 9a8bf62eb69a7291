// The local top-ten table and best time in the scrambled Top10.ini, and the
// end of a run: ranking, the name dialogues, saving.
#pragma once
#include <string>

namespace game {

// The fixed key of every scramble of the table's file.
inline constexpr int16_t kScrambleKey = 1221;

// Reads the table and best time; results the file could not take this
// session are laid over what it holds.
void LoadTop10();
// Writes the 40 place keys in one replacement of the file. False when the
// file could not take them: the table is then kept for the session.
bool SaveTop10();
// Writes the best time and its name in one replacement of the file; false
// (and kept for the session) as SaveTop10.
bool SaveBestTime();
// Ranks a finished run, asks for the name, saves; tells the player when the
// file could not take the result.
void EndOfRun(int16_t& score);
// Self-inverse scrambling of text bytes with a key (trailing spaces of the
// result removed).
std::string ScrambleText(const std::string& text, int16_t key);
// The file's path: ScoreDir + "\Top10.ini".
std::string Top10Path();

// How scrambled text is kept in the file: every byte that the INI format
// would change or lose (controls, spaces, "=", brackets, quotes, ";", "%"
// and bytes above 126) is written as %XX, so every byte reads back.
std::string EscapeForIni(const std::string& bytes);
std::string UnescapeFromIni(const std::string& text);
// A section, key or value as the file holds it: scrambled (without the final
// trim, so no scrambled byte is lost), then escaped.
std::string StoredForm(const std::string& plain);

}  // namespace game
