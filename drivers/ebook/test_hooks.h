// Points where the crash tests kill the process in the middle of a change of the store. They exist only
// in the test build of the driver (compiled with TAVRIN_EBOOK_TEST_HOOKS): in the driver that ships,
// TAVRIN_KILL_POINT is nothing, and neither the environment variable nor the names of the points are
// in the library.
#pragma once

#ifdef TAVRIN_EBOOK_TEST_HOOKS

namespace tavrin::ebook {
// When the environment variable TAVRIN_EBOOK_TEST_KILL names `point`, the process kills itself there
// with SIGKILL.
void KillPoint(const char* point);
} // namespace tavrin::ebook

#define TAVRIN_KILL_POINT(point) ::tavrin::ebook::KillPoint(point)

#else

#define TAVRIN_KILL_POINT(point) ((void)0)

#endif
