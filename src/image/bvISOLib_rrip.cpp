#include "bvISOLib_rrip.h"
#include "bvISOLib_names.h"
#include "bvISOLib_records.h"
#include <algorithm>
#include <cstring>

namespace scrivo {

namespace {

// The extension's identification, as readers look for it in the ER entry.
constexpr std::string_view ExtensionId = "RRIP_1991A";
constexpr std::string_view ExtensionDescriptor =
    "THE ROCK RIDGE INTERCHANGE PROTOCOL PROVIDES SUPPORT FOR POSIX FILE SYSTEM SEMANTICS";
constexpr std::string_view ExtensionSource =
    "PLEASE CONTACT DISC PUBLISHER FOR SPECIFICATION SOURCE.  SEE PUBLISHER "
    "IDENTIFIER IN PRIMARY VOLUME DESCRIPTOR FOR CONTACT INFORMATION.";
constexpr uint8_t TfModify = 0x02, TfAccess = 0x04, TfAttributes = 0x08;
constexpr uint32_t RecordDateLength = 7;

// Starts an entry of `length` bytes at the end of `out`; answers where its body begins.
uint8_t* Begin(std::vector<uint8_t>& out, const char* signature, uint32_t length) {
    const size_t at = out.size();
    out.resize(at + length);
    uint8_t* e = out.data() + at;
    e[0] = static_cast<uint8_t>(signature[0]);
    e[1] = static_cast<uint8_t>(signature[1]);
    e[2] = static_cast<uint8_t>(length);
    e[3] = 1;
    return e + SuspHeaderLength;
}

// In UTC; a time beyond the one-byte year is cut to the nearest end of its range.
void PutUtcRecordDate(uint8_t* p, int64_t unixSeconds) {
    const DateTimeParts d = UnixTimeToUtcParts(unixSeconds);
    if (d.Year < 1900)
        PutRecordDate(p, DateTimeParts{1900, 1, 1, 0, 0, 0, 0}, 0);
    else if (d.Year > 2155)
        PutRecordDate(p, DateTimeParts{2155, 12, 31, 23, 59, 59, 0}, 0);
    else
        PutRecordDate(p, d, 0);
}

// The modify, access and change times of a TF entry. The three are often one: it is
// converted once.
void PutTimes(uint8_t* modify, const TRripFacts& f) {
    uint8_t* access = modify + RecordDateLength;
    uint8_t* change = access + RecordDateLength;
    PutUtcRecordDate(modify, f.ModifyTime);
    if (f.AccessTime == f.ModifyTime)
        std::memcpy(access, modify, RecordDateLength);
    else
        PutUtcRecordDate(access, f.AccessTime);
    if (f.ChangeTime == f.ModifyTime)
        std::memcpy(change, modify, RecordDateLength);
    else if (f.ChangeTime == f.AccessTime)
        std::memcpy(change, access, RecordDateLength);
    else
        PutUtcRecordDate(change, f.ChangeTime);
}

void AppendName(std::string_view name, std::vector<uint8_t>& out) {
    constexpr size_t Chunk = SuspEntryMax - SuspHeaderLength - 1;
    do {
        const size_t n = std::min(name.size(), Chunk);
        uint8_t* body = Begin(out, "NM", static_cast<uint32_t>(SuspHeaderLength + 1 + n));
        body[0] = n < name.size() ? NmContinue : 0;
        std::memcpy(body + 1, name.data(), n);
        name.remove_prefix(n);
    } while (!name.empty());
}

// SL entries of a link target: one component record per path component, a component
// longer than an entry holds split over records that say it goes on.
class TLinkWriter {
  public:
    explicit TLinkWriter(std::vector<uint8_t>& out) : out_(out) { Open(); }

    void Component(uint8_t flags, std::string_view text) {
        constexpr int FreshRoom = SuspEntryMax - SuspHeaderLength - 1 - 2;
        for (;;) {
            const int room = static_cast<int>(SuspEntryMax) - static_cast<int>(out_.size() - start_) - 2;
            const bool fits = static_cast<int>(text.size()) <= room;
            // Only what no entry could hold whole is split; the rest moves on whole.
            if (!fits && (static_cast<int>(text.size()) <= FreshRoom || room <= 0)) {
                Next();
                continue;
            }
            const size_t n = std::min(text.size(), static_cast<size_t>(room));
            out_.push_back(static_cast<uint8_t>(flags | (n < text.size() ? SlComponentContinue : 0)));
            out_.push_back(static_cast<uint8_t>(n));
            out_.insert(out_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
            text.remove_prefix(n);
            if (text.empty()) return;
        }
    }
    void Close() { out_[start_ + 2] = static_cast<uint8_t>(out_.size() - start_); }

  private:
    void Open() {
        start_ = out_.size();
        Begin(out_, "SL", SuspHeaderLength + 1);
    }
    void Next() {
        out_[start_ + SuspHeaderLength] = SlContinue;
        Close();
        Open();
    }

    std::vector<uint8_t>& out_;
    size_t start_ = 0;
};

void AppendLink(std::string_view target, std::vector<uint8_t>& out) {
    TLinkWriter w(out);
    if (!target.empty() && target[0] == '/') w.Component(SlComponentRoot, {});
    while (!target.empty()) {
        const size_t slash = target.find('/');
        const std::string_view part = target.substr(0, slash);
        target = slash == std::string_view::npos ? std::string_view() : target.substr(slash + 1);
        if (part.empty()) continue; // "//" and the leading "/"
        if (part == ".")
            w.Component(SlComponentCurrent, {});
        else if (part == "..")
            w.Component(SlComponentParent, {});
        else
            w.Component(0, part);
    }
    w.Close();
}

void AppendExtensionReference(std::vector<uint8_t>& out) {
    const uint32_t length =
        SuspHeaderLength + 4 +
        static_cast<uint32_t>(ExtensionId.size() + ExtensionDescriptor.size() + ExtensionSource.size());
    uint8_t* body = Begin(out, "ER", length);
    body[0] = static_cast<uint8_t>(ExtensionId.size());
    body[1] = static_cast<uint8_t>(ExtensionDescriptor.size());
    body[2] = static_cast<uint8_t>(ExtensionSource.size());
    body[3] = 1; // the extension's version
    uint8_t* p = body + 4;
    for (std::string_view text : {ExtensionId, ExtensionDescriptor, ExtensionSource}) {
        std::memcpy(p, text.data(), text.size());
        p += text.size();
    }
}

uint32_t EntryLength(const std::vector<uint8_t>& entries, size_t at) {
    return entries[at + 2];
}

void PutContinuation(uint8_t* p, uint32_t block, uint32_t offset, uint32_t length) {
    std::vector<uint8_t> ce;
    uint8_t* body = Begin(ce, "CE", CeEntryLength);
    PutBoth32(body, block);
    PutBoth32(body + 8, offset);
    PutBoth32(body + 16, length);
    std::memcpy(p, ce.data(), ce.size());
}

} // namespace

void AppendRripEntries(const TRripFacts& f, std::vector<uint8_t>& out, bool dates) {
    if (f.Root) {
        uint8_t* sp = Begin(out, "SP", SpEntryLength);
        sp[0] = SpCheck[0];
        sp[1] = SpCheck[1];
        sp[2] = 0; // nothing is skipped before the entries
    }
    uint8_t* px = Begin(out, "PX", PxEntryLength);
    PutBoth32(px, f.Mode);
    PutBoth32(px + 8, f.Links);
    PutBoth32(px + 16, f.Uid);
    PutBoth32(px + 24, f.Gid);
    PutBoth32(px + 32, f.Serial);

    if (f.Times) {
        uint8_t* tf = Begin(out, "TF", SuspHeaderLength + 1 + 3 * RecordDateLength);
        tf[0] = TfModify | TfAccess | TfAttributes;
        if (dates) PutTimes(tf + 1, f);
    }

    const uint32_t type = f.Mode & PosixTypeMask;
    if (type == PosixCharDevice || type == PosixBlockDevice) {
        uint8_t* pn = Begin(out, "PN", SuspHeaderLength + 16);
        PutBoth32(pn, static_cast<uint32_t>(f.Device >> 32));
        PutBoth32(pn + 8, static_cast<uint32_t>(f.Device));
    }
    if (f.ChildLink) PutBoth32(Begin(out, "CL", LinkEntryLength), f.ChildLink);
    if (f.ParentLink) PutBoth32(Begin(out, "PL", LinkEntryLength), f.ParentLink);
    if (f.Relocated) Begin(out, "RE", SuspHeaderLength);
    if (!f.Name.empty()) AppendName(f.Name, out);
    if (type == PosixSymlink) AppendLink(f.LinkTarget, out);
    if (f.Root) AppendExtensionReference(out);
}

uint32_t SystemUseRoom(uint32_t identifierBytes) {
    const uint32_t base = DirRecordLength(identifierBytes);
    return base >= MaxEvenDirRecordLength ? 0 : MaxEvenDirRecordLength - base;
}

TSuspSplit SplitSystemUse(const std::vector<uint8_t>& entries, uint32_t room) {
    TSuspSplit s;
    const uint32_t total = static_cast<uint32_t>(entries.size());
    room &= ~1u; // the area ends on an even length
    if (total <= room) {
        s.InRecord = total;
        return s;
    }
    if (room < CeEntryLength) {
        s.Dropped = true;
        return s;
    }
    size_t at = 0;
    // Takes whole entries while they and a closing CE fit `capacity`; answers their bytes.
    auto take = [&](uint32_t capacity) {
        uint32_t used = 0;
        while (at < entries.size() && used + EntryLength(entries, at) + CeEntryLength <= capacity) {
            used += EntryLength(entries, at);
            at += EntryLength(entries, at);
        }
        return used;
    };
    s.InRecord = take(room) + CeEntryLength;
    while (at < entries.size()) {
        const uint32_t rest = static_cast<uint32_t>(entries.size() - at);
        if (rest <= ContinuationAreaMax) {
            s.Areas.push_back(rest);
            break;
        }
        s.Areas.push_back(take(ContinuationAreaMax) + CeEntryLength);
    }
    return s;
}

TContinuationPacker::Place TContinuationPacker::Put(uint32_t length) {
    if (used_ + length > SectorSize) {
        ++sector_;
        used_ = 0;
    }
    const Place p{sector_, used_};
    used_ += length;
    return p;
}

void WriteSystemUse(const std::vector<uint8_t>& entries, const TSuspSplit& split, uint8_t* sua,
                    TContinuationPacker& packer, uint32_t regionStart, uint8_t* region) {
    if (split.Dropped) return;
    std::memset(sua, 0, split.AreaLength());
    if (split.Areas.empty()) {
        std::memcpy(sua, entries.data(), entries.size());
        return;
    }
    std::vector<TContinuationPacker::Place> places;
    for (uint32_t length : split.Areas)
        places.push_back(packer.Put(length));
    // Each part holds whole entries up to its CE; the last area holds the rest.
    uint8_t* part = sua;
    uint32_t partLength = split.InRecord;
    size_t at = 0;
    for (size_t k = 0; k <= places.size(); ++k) {
        const bool last = k == places.size();
        const uint32_t body = last ? partLength : partLength - CeEntryLength;
        std::memcpy(part, entries.data() + at, body);
        at += body;
        if (last) break;
        const uint32_t length = split.Areas[k];
        // An area's length, and with it where the entries before its CE end, is taken from
        // the split: the same walk decided both.
        PutContinuation(part + body, regionStart + places[k].Sector, places[k].Offset, length);
        part = region + size_t(places[k].Sector) * SectorSize + places[k].Offset;
        partLength = length;
    }
}

} // namespace scrivo
