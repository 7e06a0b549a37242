// The state of the recording run, one per process: the component running it, its image run
// (layout, metadata and the read-ahead cache), the write thread and the flags and buffers
// the write thread shares with the host.
#pragma once
#include "engine/ImageRun.h"
#include "platform/Threads.h"
#include <atomic>
#include <cstdint>
#include <memory>

namespace scrivo {

class TBrenvik;
class TThWrite;

constexpr int32_t DVDBlockSize = 65536;
constexpr int32_t CDBlockSize = 55296; // 27 sectors
constexpr size_t ParameterBufferSize = 4081;

struct TWriteRun {
    TBrenvik* Component = nullptr;
    // The image run of the last recording; its cache lives until the next run or until the
    // component goes.
    std::unique_ptr<TImageRun> Image;
    // The write thread of the last run, owned here and joined by JoinWriteThread: it still
    // runs a few statements after ThreadEnded is set, and nothing it uses may go before it
    // has (the process's statics at exit, the library's code on unload). Never freed by the
    // run's own destructor, which an exit could reach while a thread still waits for the host.
    TThWrite* WriteThread = nullptr;
    std::atomic<bool> RunAbortFlag{false};
    std::atomic<bool> WritingFlag{false};
    // Not set while a write thread runs, from its start until its report is delivered.
    TEvent ThreadEnded{true};
    int32_t BlockSize = DVDBlockSize;
    alignas(16) uint8_t WriteBuffer[DVDBlockSize] = {};
    uint8_t ParameterBuffer[ParameterBufferSize] = {};

    TCacheThread* Cache() const { return Image ? Image->Cache() : nullptr; }
};

TWriteRun& WriteRun();

// Waits until the last run's write thread has ended entirely and frees it. Only once
// ThreadEnded is set: before that the thread may be waiting for the caller's thread.
void JoinWriteThread(TWriteRun& run);

} // namespace scrivo
