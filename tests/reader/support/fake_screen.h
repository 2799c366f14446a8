// A screen for tests: hands out queued input (each step may look at the windows first, to aim at a
// control where it stands now) and keeps what was shown. When the queue is empty a wait that may
// time out times out, and a wait without a limit gets a Quit (noted), so that no loop waits forever.
#pragma once

#include "reader_screen.h"

#include <deque>
#include <functional>
#include <vector>

namespace readertest {

class FakeScreen : public tavrin::reader::ReaderScreen {
  public:
    using Step = std::function<plat::UserInput()>;
    SIZE size{800, 600};

    FakeScreen& Queue(plat::UserInput input) {
        steps_.push_back([input] { return input; });
        return *this;
    }
    FakeScreen& Queue(Step step) {
        steps_.push_back(std::move(step));
        return *this;
    }

    bool WaitInput(plat::UserInput* input, int timeoutMs) override {
        if (steps_.empty()) {
            if (timeoutMs >= 0) return false;
            ranDry = true;
            input->kind = plat::UserInput::Kind::Quit;
            return true;
        }
        Step step = std::move(steps_.front());
        steps_.pop_front();
        *input = step();
        return true;
    }
    void Present(const plat::Image& frame) override {
        frames.push_back(frame);
        ++presented;
    }
    void Show(const std::vector<plat::Overlay>& overlays) override {
        shown.push_back(overlays);
        ReaderScreen::Show(overlays);
    }
    SIZE Size() const override { return size; }
    void QuitRequested() override { quit = true; }
    std::vector<tavrin::reader::Drop> TakeDrops() override { return {}; }
    bool QuitPending() const override { return quit; }

    size_t Pending() const { return steps_.size(); }

    bool ranDry = false;
    bool quit = false;
    int presented = 0;
    std::vector<std::vector<plat::Overlay>> shown; // the overlays of every Show
    std::vector<plat::Image> frames;

  private:
    std::deque<Step> steps_;
};

inline plat::UserInput Key(int vk) {
    plat::UserInput in;
    in.kind = plat::UserInput::Kind::KeyDown;
    in.vk = vk;
    return in;
}
inline plat::UserInput Text(const std::string& text) {
    plat::UserInput in;
    in.kind = plat::UserInput::Kind::Text;
    in.text = text;
    in.utf8 = text;
    return in;
}
inline plat::UserInput Mouse(plat::UserInput::Kind kind, POINT screen, int button = 1, int clicks = 1) {
    plat::UserInput in;
    in.kind = kind;
    in.screen = screen;
    in.button = button;
    in.clicks = clicks;
    return in;
}

} // namespace readertest
