// The score upload protocol between the game and the score server: the
// request's path and query keys, the score page's address, and the %XX
// escapes of query values (also used by the game's top-ten file).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace score_protocol {

inline constexpr const char* kUploadPath = "/files/games/vortexraiders/score.php";
inline constexpr const char* kPagePath = "/index2.php";
inline constexpr const char* kGameId = "9";  // the score page's "game" query value
// A recorded run: POSTed here (the replay file as the body) after the upload,
// and downloaded from here with "?id=N" once it proved its entry.
inline constexpr const char* kReplayPath = "/files/games/vortexraiders/replay.php";
inline constexpr size_t kMaxReplayBytes = size_t(1) << 20;  // the replay file's own bound
// The longest upload query and name the server accepts.
inline constexpr size_t kMaxQueryBytes = 2048;
inline constexpr size_t kMaxNameBytes = 254;
// A game score is a 16-bit number, never below 0 (an empty place has 0).
inline constexpr int32_t kMaxScore = 32767;

// The score page's path and query: "/index2.php?game=9".
std::string PageTarget();
// The upload of one place: path and query, with the name already encoded.
// `counter` marks the table's last request (place 1).
std::string UploadTarget(const std::string& encodedName, int32_t score, bool counter);

// Writes every byte for which keep() is false as %XX (capital hex digits).
template <class Keep>
std::string PercentEncode(const std::string& bytes, Keep keep) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (keep(c)) {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}
// True for the unreserved URL characters: letters, digits and "-._~".
bool IsUnreserved(unsigned char c);
// Decodes %XX escapes ("+" stays a plus); false on a broken escape.
bool PercentDecode(const std::string& in, std::string& out);
// Decodes %XX escapes and keeps a broken one as it stands.
std::string PercentDecodeLenient(const std::string& in);

// What an upload request asks for, or why it is refused.
struct UploadRequest {
    bool ok = false;
    std::string error;
    std::string name;
    int32_t score = 0;
    bool counter = false;
};
// Checks an upload's raw query string (still percent-encoded): a name of 1 to
// 254 bytes and a score from 0 to kMaxScore.
UploadRequest ParseUpload(const std::string& rawQuery);

}  // namespace score_protocol
