// Names of row origins as the command line and reports show them.
#include "sqlitecarve/CarvedRow.h"

namespace sqlitecarve {

std::string_view originName(Origin origin)
{
    switch (origin) {
    case Origin::Live:
        return "live";
    case Origin::Freeblock:
        return "freeblock";
    case Origin::Gap:
        return "gap";
    case Origin::Stale:
        return "stale";
    case Origin::Tail:
        return "tail";
    case Origin::Freelist:
        return "freelist";
    }
    return "live";
}

} // namespace sqlitecarve
