// The score server's HTTP service: the upload endpoint and the score page.
#pragma once
#include <memory>
#include <string>

#include "fair_http_server.h"
#include "score_store.h"

namespace scores {

inline constexpr const char* kUploadPath = "/files/games/vortexraiders/score.php";
inline constexpr const char* kPagePath = "/index2.php";
inline constexpr size_t kMaxQueryBytes = 2048;
inline constexpr size_t kMaxNameBytes = 254;

// What an upload request asks for, or why it is refused.
struct UploadRequest {
    bool ok = false;
    std::string error;
    std::string name;
    int32_t score = 0;
    bool counter = false;
};

// Checks an upload's raw query string (still percent-encoded).
UploadRequest ParseUpload(const std::string& rawQuery);
// Decodes %XX escapes ("+" stays a plus); false on a broken escape.
bool PercentDecode(const std::string& in, std::string& out);
std::string HtmlEscape(const std::string& text);
// The score page for the best entries.
std::string RenderScorePage(ScoreStore& store);

class ScoreService {
public:
    explicit ScoreService(ScoreStore& store, const ConnectionLimits& limits = {});
    ~ScoreService();
    // Binds the address and port; false when they cannot be bound.
    bool Bind(const std::string& address, int port);
    // Binds to a free port on the address and returns it (for tests); -1 on failure.
    int BindAnyPort(const std::string& address);
    void ServeBound();  // after Bind or BindAnyPort, until Stop
    void Stop();

private:
    void Routes();
    ScoreStore& store_;
    std::unique_ptr<FairHttpServer> http_;
};

}  // namespace scores
