#include "platform/PassThrough.h"

namespace scrivo {

PassThroughOps& PassThroughOs() {
    static PassThroughOps ops = SystemPassThroughOps();
    return ops;
}

} // namespace scrivo
