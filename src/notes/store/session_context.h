#pragma once
// What a session's objects share: the data root and the identity of the user
// the session was opened for. Kept alive by every database handed out.
#include <memory>

#include "notes/store/identity.h"
#include "notes/store/store_paths.h"

namespace vantor::store {

struct SessionContext {
    DataRoot root;
    Identity identity;
};

using SessionContextPtr = std::shared_ptr<const SessionContext>;

}  // namespace vantor::store
