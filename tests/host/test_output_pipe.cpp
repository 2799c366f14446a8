// The pipe the host's hits go into is made to hold a megabyte; anything else is left alone.
#include "output_pipe.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace {

using tavrin::host::WidenPipe;

// The largest pipe an ordinary program may ask for.
long PipeLimit() {
    long limit = 0;
    std::ifstream("/proc/sys/fs/pipe-max-size") >> limit;
    return limit;
}

TEST(OutputPipe, APipeHoldsAMegabyteAndAFileOrTerminalIsLeftAlone) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const int before = fcntl(fds[1], F_GETPIPE_SZ);
    ASSERT_LT(before, 1 << 20) << "a new pipe is smaller than what is asked for";
    const bool mayWiden = geteuid() == 0 || PipeLimit() >= (1 << 20);
    EXPECT_EQ(WidenPipe(fds[1]), mayWiden);
    EXPECT_EQ(fcntl(fds[1], F_GETPIPE_SZ), mayWiden ? 1 << 20 : before);
    EXPECT_EQ(WidenPipe(fds[1]), mayWiden) << "asked again";
    close(fds[0]);
    close(fds[1]);

    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(WidenPipe(fileno(file)));
    std::fclose(file);
    EXPECT_FALSE(WidenPipe(-1));
}

} // namespace
