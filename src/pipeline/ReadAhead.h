#pragma once

// A load's frames 0 .. count - 1, read one at a time in frame order and
// prepared on two threads: the loading thread's, while it waits for the frame
// it wants next, and a helper's. Each thread takes the next frame to read,
// reads it and prepares it, so reading and preparing share both processors
// whichever of them costs more. Frames come back in order.

#include <array>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <variant>

#include "pipeline/FrameToPicture.h"

namespace quivane {

// What reading one frame gave: nothing to add (a frame that could not be
// used), a frame to prepare, or why the load must end there.
using FrameRead = std::variant<std::monostate, FrameRef, std::string>;

// `Source` reads frame k into storage of its own kind, which the frame
// read points into: `typename Source::Storage` and
// `FrameRead Source::read(int k, Storage&)`. Frames are asked for in order.
// A source whose frames lie apart (a series of files) says
// `Source::ReadsApart`, and is asked for two at once; any other, for one
// frame at a time (a decoder reads on from where it stopped).
template <class Source>
class ReadAhead {
public:
    struct Done {
        FrameRead read;
        std::optional<PreparedFrame> prepared;  // when a frame was read
    };

    ReadAhead(Source& source, int count, const SeriesSettings& settings)
        : source_(source), count_(count), settings_(settings), helper_([this] { Help(); })
    {
    }
    ~ReadAhead()
    {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
        helper_.join();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Frame `wanted` (one more than the last asked for, from 0), reading and
    // preparing frames here until it is done. The frame it points into stays
    // as it is until it is released. What reading or preparing threw is
    // thrown here.
    Done Next(int wanted)
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (Slot* slot = Holding(wanted); slot && slot->state == State::Done) {
                slot->state = State::HandedOut;
                if (slot->failure) std::rethrow_exception(std::exchange(slot->failure, nullptr));
                return {std::move(slot->read), std::exchange(slot->prepared, std::nullopt)};
            }
            if (CanStart()) {
                Work(lock);
                continue;
            }
            changed_.wait(lock);
        }
    }

    // Frame k, handed out before, is no longer looked at: its storage may
    // take a later frame. At most two frames handed out may be kept.
    void Release(int k)
    {
        std::lock_guard lock(mutex_);
        Slot* slot = Holding(k);
        if (!slot || slot->state != State::HandedOut) return;
        slot->state = State::Free;
        changed_.notify_all();
    }

private:
    enum class State { Free, Working, Done, HandedOut };
    struct Slot {
        State state = State::Free;
        int index = -1;
        typename Source::Storage storage;
        FrameRead read;
        std::optional<PreparedFrame> prepared;
        std::exception_ptr failure;
    };
    // Four frames in hand at most: two handed out (the one the loader adds
    // and the one added before, which a window may still show), and two
    // being read, prepared or ready.
    static constexpr int SlotCount = 4;

    // The slot frame k is in, if any. A kept frame may be several frames
    // behind the one wanted, so slots are not taken in turn.
    Slot* Holding(int k)
    {
        for (Slot& slot : slots_)
            if (slot.index == k && slot.state != State::Free) return &slot;
        return nullptr;
    }
    Slot* FreeSlot()
    {
        for (Slot& slot : slots_)
            if (slot.state == State::Free) return &slot;
        return nullptr;
    }
    // A frame after one whose reading ended the load is never read.
    bool CanStart() { return next_ < count_ && !ended_ && FreeSlot() != nullptr; }
    // Reads the next frame and prepares it; called with `lock` held, which is
    // let go while the frame is read and prepared. The reading lock, where
    // reads are one at a time, is taken before the state lock is let go, so
    // frames are read in the order taken.
    void Work(std::unique_lock<std::mutex>& lock)
    {
        const int k = next_++;
        Slot& slot = *FreeSlot();  // there is one: the caller checked CanStart
        slot.state = State::Working;
        slot.index = k;
        std::unique_lock reading(readMutex_, std::defer_lock);
        if constexpr (!Source::ReadsApart) reading.lock();
        lock.unlock();
        FrameRead read;
        std::optional<PreparedFrame> prepared;
        std::exception_ptr failure;
        try {
            read = source_.read(k, slot.storage);
            if (reading.owns_lock()) reading.unlock();
            if (const auto* frame = std::get_if<FrameRef>(&read)) prepared = PrepareFrame(*frame, settings_);
        } catch (...) {
            failure = std::current_exception();
        }
        if (reading.owns_lock()) reading.unlock();
        lock.lock();
        // Another thread may have read one frame more meanwhile; it is
        // never handed out.
        if (failure || std::holds_alternative<std::string>(read)) ended_ = true;
        slot.read = std::move(read);
        slot.prepared = std::move(prepared);
        slot.failure = failure;
        slot.state = State::Done;
        changed_.notify_all();
    }

    void Help()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return stopped_ || CanStart(); });
            if (stopped_) return;
            Work(lock);
        }
    }

    Source& source_;
    const int count_;
    const SeriesSettings& settings_;
    std::mutex mutex_;      // the slots and the counts
    std::mutex readMutex_;  // the source, one reader at a time unless its frames lie apart
    std::condition_variable changed_;
    std::array<Slot, SlotCount> slots_;
    int next_ = 0;  // the next frame to read
    bool ended_ = false;
    bool stopped_ = false;
    std::thread helper_;  // last: it starts running once everything above is made
};

}  // namespace quivane
