// The drag in progress, shared by the drag driver and the test reset.
#pragma once

namespace plat::detail {

// Ends the drag in progress without telling its target.
void ForgetDrag();

} // namespace plat::detail
