#pragma once

namespace quivane {

// Raises a workspace flag for as long as it lives, also when the action it
// guards ends with an exception: a load or a search sets one so that its
// event pump cannot start another action on the picture list under it.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = false; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace quivane
