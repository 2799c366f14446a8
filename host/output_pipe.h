// The pipe the host's output goes into. A search of a common word writes hits faster than a reader
// at the pipe's other end (say, `wc -l`) may take them while the search keeps both processors busy:
// a full pipe stops the search until that reader has run.
#pragma once

namespace tavrin::host {

// Makes the pipe open as `fd` hold a megabyte (what an ordinary program may give a pipe, unless the
// system's limit is lower). True when it holds that much now; false for anything that is not a pipe
// and for a pipe that could not be made larger.
bool WidenPipe(int fd);

} // namespace tavrin::host
