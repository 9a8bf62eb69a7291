#include "score_store.h"

#include "postgres_store.h"
#include "sqlite_store.h"

namespace scores {

std::unique_ptr<ScoreStore> OpenStore(const std::string& url) {
    if (url.rfind("sqlite:", 0) == 0) {
        std::string path = url.substr(7);
        if (path.empty()) throw std::runtime_error("sqlite: needs a file, as in sqlite:/srv/vortex/scores.db");
        return std::make_unique<SqliteStore>(path);
    }
    if (url.rfind("postgresql://", 0) == 0 || url.rfind("postgres://", 0) == 0)
        return std::make_unique<PostgresStore>(url);
    throw std::runtime_error("the database \"" + url +
                             "\" is neither sqlite:PATH nor a postgresql:// connection string");
}

}  // namespace scores
