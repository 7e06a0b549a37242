// The walk's reader asks the system about the entries of each folder (a stat per entry, the
// bulk of a large tree's listing), depth first as the walker goes, a bounded number of
// folders ahead; the walker makes the listings of what it read.
#include "../FolderWalk.h"
#include "../ListingOrder.h"
#include "FolderRead.h"
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace scrivo {

namespace {
// Entries read and not yet taken, at most (a folder larger than that is read alone).
constexpr size_t ReadAheadEntries = 4096;
} // namespace

struct TFolderWalk::Impl {
    struct Read {
        std::string Folder;
        std::vector<RawEntry> Entries;
    };

    ListingMode Mode;
    std::mutex M;
    std::condition_variable Changed;
    std::deque<Read> Ready; // in walk order
    size_t ReadyEntries = 0;
    bool Done = false, Stop = false;
    std::thread Reader;

    void Run(const std::string& root) {
        std::vector<std::string> stack{root};
        while (!stack.empty()) {
            Read r{std::move(stack.back()), {}};
            stack.pop_back();
            r.Entries = ReadFolder(r.Folder, "*.*", Mode);
            // The subfolders in listing order, the first on top.
            std::vector<std::string> subs;
            for (const RawEntry& e : r.Entries)
                if (IsListedFolder(e)) subs.push_back(e.Name);
            const std::vector<uint32_t> order = UpperNameOrder(subs);
            for (auto i = order.rbegin(); i != order.rend(); ++i)
                stack.push_back(r.Folder + subs[*i] + PathDelim);
            std::unique_lock<std::mutex> lock(M);
            Changed.wait(lock, [&] { return Stop || Ready.empty() || ReadyEntries < ReadAheadEntries; });
            if (Stop) break;
            ReadyEntries += r.Entries.size();
            Ready.push_back(std::move(r));
            Changed.notify_all();
        }
        std::lock_guard<std::mutex> lock(M);
        Done = true;
        Changed.notify_all();
    }
};

TFolderWalk::TFolderWalk(const std::string& root, ListingMode mode) : impl_(new Impl) {
    impl_->Mode = mode;
    impl_->Reader = std::thread([this, root] { impl_->Run(root); });
}

TFolderWalk::~TFolderWalk() {
    {
        std::lock_guard<std::mutex> lock(impl_->M);
        impl_->Stop = true;
        impl_->Changed.notify_all();
    }
    impl_->Reader.join();
}

std::vector<FileListing> TFolderWalk::List(const std::string& folder) {
    Impl& w = *impl_;
    std::unique_lock<std::mutex> lock(w.M);
    for (;;) {
        // What was read ahead of the folder asked for belongs to folders the walker left out.
        while (!w.Ready.empty() && w.Ready.front().Folder != folder) {
            w.ReadyEntries -= w.Ready.front().Entries.size();
            w.Ready.pop_front();
            w.Changed.notify_all();
        }
        if (!w.Ready.empty()) {
            std::vector<RawEntry> entries = std::move(w.Ready.front().Entries);
            w.ReadyEntries -= entries.size();
            w.Ready.pop_front();
            w.Changed.notify_all();
            lock.unlock();
            return DescribeFolder(std::move(entries), "*.*", faAnyFile, w.Mode);
        }
        if (w.Done) break;
        w.Changed.wait(lock);
    }
    lock.unlock();
    return ListDirectory(folder, "*.*", faAnyFile, w.Mode);
}

} // namespace scrivo
