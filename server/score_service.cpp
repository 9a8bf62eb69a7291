#include "score_service.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>

namespace scores {

namespace {

// The length of the well-formed UTF-8 sequence at `i`, or 0 when there is none.
size_t Utf8SequenceLength(const std::string& s, size_t i) {
    auto byte = [&](size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
    unsigned b = byte(i);
    size_t n;
    unsigned lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) n = 2;
    else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) lo = 0xA0;  // overlong
        if (b == 0xED) hi = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) lo = 0x90;  // overlong
        if (b == 0xF4) hi = 0x8F;  // beyond U+10FFFF
    } else return 0;
    if (byte(i + 1) < lo || byte(i + 1) > hi) return 0;
    for (size_t k = 2; k < n; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    return n;
}

// The text with each control character shown as "?": a name cannot start a
// line of its own in the log, nor put a terminal's control sequence into an answer.
std::string Printable(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
}

// A plain-text answer, shown printable (it may repeat what a client sent).
void Answer(httplib::Response& res, int status, const std::string& text) {
    res.status = status;
    res.set_content(Printable(text) + "\n", "text/plain; charset=utf-8");
}

}  // namespace

std::string HtmlEscape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        switch (c) {
            case '&': out += "&amp;"; ++i; continue;
            case '<': out += "&lt;"; ++i; continue;
            case '>': out += "&gt;"; ++i; continue;
            case '"': out += "&quot;"; ++i; continue;
            case '\'': out += "&#39;"; ++i; continue;
            default: break;
        }
        size_t n = Utf8SequenceLength(text, i);
        if (n == 0 || (n == 1 && static_cast<unsigned char>(c) < 0x20)) {
            out += "&#xFFFD;";  // a control character or a byte that is not UTF-8
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

std::string RenderScorePage(ScoreStore& store, bool verifiedOnly) {
    ScorePage page = store.Page(100, verifiedOnly);
    const auto& best = page.best;
    const std::string all = score_protocol::PageTarget();
    std::ostringstream h;
    h << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<title>Vortex Raiders - Online Scores</title>\n"
         "<style>\nbody{background:#260f82;color:#fff;font-family:Arial,'Liberation Sans',sans-serif;margin:2em}\n"
         "h1{color:#ffd23c}table{border-collapse:collapse;background:#0b0630;min-width:28em}\n"
         "th,td{padding:.3em .9em;border-bottom:1px solid #3a2a8a;text-align:left}th{color:#d8fffe}\n"
         "td.n{text-align:right}p{color:#c0c0ff;max-width:40em}a{color:#ffd23c}td.v{color:#7dff8a}\n</style>\n</head>\n<body>\n"
         "<h1>Vortex Raiders &mdash; Online Scores</h1>\n"
         "<p>The best "
      << best.size() << (verifiedOnly ? " verified" : "")
      << " runs uploaded by players. In the game, press U to send your local top-ten table here; "
         "the same name with the same score is listed once.</p>\n"
         "<p>The game also sends the recording of each run. A run is <em>verified</em> when this server "
         "played its recording back and got the same name and score; download its replay and watch it with "
         "<code>VortexRaiders --replay FILE</code>.</p>\n"
         "<p>"
      << (verifiedOnly ? "<a href=\"" + HtmlEscape(all) + "\">Show all scores</a>"
                       : "<a href=\"" + HtmlEscape(all) + "&amp;verified=1\">Show only verified runs</a>")
      << "</p>\n<p>Uploads so far: " << page.uploads
      << "</p>\n<table>\n<tr><th>Place</th><th>Name</th><th>Score</th><th>Date (UTC)</th><th>Run</th></tr>\n";
    int place = 0;
    for (const auto& e : best) {
        h << "<tr><td class=\"n\">" << ++place << "</td><td>" << HtmlEscape(e.name) << "</td><td class=\"n\">"
          << e.score << "</td><td>" << HtmlEscape(e.received) << "</td>";
        if (e.verified)
            h << "<td class=\"v\">verified (<a href=\"" << score_protocol::kReplayPath << "?id=" << e.id
              << "\">replay</a>)</td></tr>\n";
        else
            h << "<td>not verified</td></tr>\n";
    }
    if (best.empty()) h << "<tr><td colspan=\"5\">" << (verifiedOnly ? "No verified runs yet." : "No scores yet.")
                        << "</td></tr>\n";
    h << "</table>\n</body>\n</html>\n";
    return h.str();
}

void ScoreService::StorageFailed(const std::exception& e, httplib::Response& res) {
    if (!dynamic_cast<const StoreUnavailable*>(&e)) {
        Answer(res, 500, std::string("Storage error: ") + e.what());
        return;
    }
    // Nothing of the request was stored; the same request later can be.
    bool full = dynamic_cast<const StoreFull*>(&e) != nullptr;
    res.set_header("Retry-After", full ? "60" : "2");
    Answer(res, 503, full ? "Service unavailable: the score database has no room just now. Try again later."
                          : "Service unavailable: the score database cannot be reached just now. Try again in a moment.");
    // The reason goes to the server's log, at most every few seconds.
    auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(logMutex_);
    if (now - lastOutageLog_ >= std::chrono::seconds(5)) {
        lastOutageLog_ = now;
        std::fprintf(stderr, "vortex-scores: answering 503: %s\n", e.what());
    }
}

void ScoreService::Log(const std::string& line) {
    std::string printable = Printable(line);
    std::lock_guard<std::mutex> lock(logMutex_);
    std::fprintf(stderr, "vortex-scores: %s\n", printable.c_str());
}

void ScoreService::TakeReplay(const httplib::Request& req, httplib::Response& res) {
    auto answer = [&](int status, const std::string& text) { Answer(res, status, text); };
    // A chunked body is bounded with room for its framing; its bytes are held here.
    if (req.body.size() > score_protocol::kMaxReplayBytes) {
        res.status = 413;  // said and logged by the error handler
        return;
    }
    if (!queue_) return answer(503, "Service unavailable: this score server does not verify replays.");
    if (req.body.empty()) {
        Log("replay from " + req.remote_addr + " refused: an empty request");
        return answer(400, "Bad request: the request holds no replay (send the file as its body).");
    }
    std::string ticket;
    switch (queue_->Submit(req.remote_addr, req.body, ticket)) {
        case VerificationQueue::Admission::kQueued: {
            std::string where = std::string(score_protocol::kReplayPath) + "?ticket=" + ticket;
            res.set_header("Location", where);
            return answer(202, "Accepted: the replay is queued for verification; its outcome: " + where);
        }
        case VerificationQueue::Admission::kClientFull:
            Log("replay from " + req.remote_addr + " refused: too many of its replays wait");
            res.set_header("Retry-After", "30");
            return answer(503, "Service unavailable: too many replays from your address wait for verification; "
                               "send this one again later.");
        case VerificationQueue::Admission::kQueueFull:
            Log("replay from " + req.remote_addr + " refused: the verification queue is full");
            res.set_header("Retry-After", "30");
            return answer(503, "Service unavailable: every verifier is busy; send the replay again later.");
    }
}

void ScoreService::TellOutcome(const std::string& ticket, httplib::Response& res) {
    std::optional<Outcome> o = queue_ ? queue_->Look(ticket) : std::nullopt;
    if (!o) return Answer(res, 404, "No replay has the ticket " + ticket + " (outcomes are kept for a while).");
    if (o->status == 503) res.set_header("Retry-After", "60");
    Answer(res, o->status, o->text);
}

Outcome ScoreService::Judge(const std::string& client, const std::string& replay, const Verdict& v) {
    if (v.serverFault) {
        Log("cannot verify a replay from " + client + ": " + v.why);
        return {503, "Service unavailable: replays cannot be verified just now."};
    }
    if (!v.proved) {
        Log("replay from " + client + " refused: " + v.why);
        return {422, "Refused: " + v.why};
    }
    const score_protocol::VerifierReport& r = v.report;
    const std::string said = "\"" + Printable(r.uploadName) + "\" with " + std::to_string(r.score) + " points";
    if (r.drivers) {
        std::string why = "the run was played by " + score_protocol::DescribeDrivers(r.drivers) +
                          "; only runs a person played are verified";
        Log("replay from " + client + " refused: " + why);
        return {422, "Refused: " + why};
    }
    try {
        Proof proof = store_.MarkVerified(r.uploadName, r.score, replay, r.run);
        switch (proof.outcome) {
            case Proof::kMarked:
                Log("replay from " + client + " verified entry " + std::to_string(proof.id) + ": " + said);
                return {200, "OK: verified: " + said};
            case Proof::kAlreadyVerified: return {200, "OK: already verified: " + said};
            case Proof::kRunVerifiedElsewhere:
                Log("replay from " + client + " refused: its run is already verified as " + proof.otherName);
                return {409, "Refused: this run is already verified as " + Printable(proof.otherName)};
            case Proof::kNoSuchEntry:
                Log("replay from " + client + " proves " + said + ", which is not listed");
                return {409, "Refused: the replay proves " + said + ", but no such score is listed; upload the scores first."};
        }
    } catch (const std::exception& e) {
        Log("cannot store the proof of a replay from " + client + ": " + e.what());
    }
    return {503, "Service unavailable: the score database cannot be reached just now."};
}

void ScoreService::GiveReplay(const httplib::Request& req, httplib::Response& res) {
    if (req.has_param("ticket")) return TellOutcome(req.get_param_value("ticket"), res);
    std::string idText = req.get_param_value("id");
    long long id = 0;
    if (!idText.empty() && idText.size() < 19 && idText.find_first_not_of("0123456789") == std::string::npos)
        id = std::stoll(idText);
    if (id <= 0) return Answer(res, 400, "Bad request: id wants an entry's number.");
    try {
        std::optional<std::string> replay = store_.VerifiedReplay(id);
        if (!replay) return Answer(res, 404, "No verified run has the id " + std::to_string(id) + ".");
        res.set_header("Content-Disposition", "attachment; filename=\"vortex-raiders-" + std::to_string(id) + ".vrr\"");
        res.set_content(*replay, "application/octet-stream");
    } catch (const std::exception& e) {
        StorageFailed(e, res);
    }
}

ScoreService::ScoreService(ScoreStore& store, const ConnectionLimits& limits, ReplayVerifier* verifier,
                           const QueueLimits& queueLimits)
    : store_(store), http_(std::make_unique<FairHttpServer>(limits)) {
    if (verifier)
        queue_ = std::make_unique<VerificationQueue>(
            *verifier, [this](const std::string& client, const std::string& replay, const Verdict& v) {
                return Judge(client, replay, v);
            },
            queueLimits);
    Routes();
}

ScoreService::~ScoreService() {
    Stop();
    queue_.reset();  // its threads judge into the store: gone before the service is
}

void ScoreService::Routes() {
    // Address reuse lets a restarted server bind at once, but no port sharing:
    // a second server on the same port must fail, not split the uploads.
    http_->set_socket_options([](int sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    http_->set_keep_alive_max_count(1000);
    http_->set_read_timeout(5, 0);
    namespace proto = score_protocol;
    http_->Get(proto::kUploadPath, [this](const httplib::Request& req, httplib::Response& res) {
        size_t q = req.target.find('?');
        std::string raw = q == std::string::npos ? "" : req.target.substr(q + 1);
        proto::UploadRequest u = proto::ParseUpload(raw);
        if (!u.ok) return Answer(res, 400, "Bad request: " + u.error);
        try {
            bool added = store_.Add(u.name, u.score, req.remote_addr, u.counter);
            Answer(res, 200, added ? "OK: score stored" : "OK: score already listed");
        } catch (const std::exception& e) {
            StorageFailed(e, res);
        }
    });
    http_->Get(proto::kPagePath, [this](const httplib::Request& req, httplib::Response& res) {
        if (req.get_param_value("game") != proto::kGameId) return Answer(res, 404, "No such game.");
        try {
            res.set_content(RenderScorePage(store_, req.get_param_value("verified") == "1"), "text/html; charset=utf-8");
        } catch (const std::exception& e) {
            StorageFailed(e, res);
        }
    });
    // A replay is bounded as the game writes it; a larger body is answered 413
    // (by the HTTP layer, before any handler, however the body is sent; said
    // and logged here) and its connection closed.
    http_->set_payload_max_length(proto::kMaxReplayBytes);
    httplib::Server::HandlerWithResponse tooLarge = [this](const httplib::Request& req, httplib::Response& res) {
        if (res.status != 413) return httplib::Server::HandlerResponse::Unhandled;
        Log("request from " + req.remote_addr + " refused: over " + std::to_string(proto::kMaxReplayBytes) + " bytes");
        res.set_content("Payload too large: a replay is at most " + std::to_string(proto::kMaxReplayBytes) + " bytes.\n",
                        "text/plain; charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
    };
    http_->SetErrorHandler(tooLarge);
    http_->Post(proto::kReplayPath, [this](const httplib::Request& req, httplib::Response& res) { TakeReplay(req, res); });
    http_->Get(proto::kReplayPath, [this](const httplib::Request& req, httplib::Response& res) { GiveReplay(req, res); });
    http_->Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(score_protocol::PageTarget());
    });
}

bool ScoreService::Bind(const std::string& address, int port) { return http_->Bind(address, port); }

int ScoreService::BindAnyPort(const std::string& address) { return http_->BindAnyPort(address); }

void ScoreService::ServeBound() { http_->listen_after_bind(); }

void ScoreService::Stop() {
    if (http_) http_->stop();
}

}  // namespace scores
