#include "vexblit2/state.h"

namespace vexblit2 {

// Zero key, 555 and no loader until the caller says otherwise.
ProcessState& State() {
    static ProcessState state;
    return state;
}

}  // namespace vexblit2
