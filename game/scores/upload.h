// Sending the local top-ten table to the score server, and offering the
// online score page.
#pragma once
#include <string>

namespace game {

// The score server's root address: $VORTEX_SCORE_SERVER, by default the
// project's own score server on this machine (http://127.0.0.1:8099).
std::string ScoreServer();
// The web site of the score page and of the connection test:
// $VORTEX_WEB_SITE, by default the same address as the score server.
std::string WebSite();
// The request for one place of the table.
std::string ScoreRequest(int place);
// "&" becomes "and"; then every byte outside the unreserved URL characters is
// percent-encoded (the name's text in UTF-8), so the server receives it exactly.
std::string QueryName(const std::string& name);
// The name's bytes as the upload sends them, before the %XX escapes.
std::string UploadName(const std::string& name);

// The address that takes the recorded runs.
std::string ReplayAddress();
// Posts the replay of each place that has one (10 first), in the background;
// the server's answers are not waited for. Returns how many were started.
int PostReplays();

bool IsOnline();
// Sends the ten places (10 first), says so when the server did not take them
// all, then posts the places' replays, and offers the score page when it took any.
void UploadScores();

}  // namespace game
