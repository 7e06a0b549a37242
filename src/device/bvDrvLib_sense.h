// The three stages that turn a failed request into its message text: the transport and
// SCSI status, the sense key, and the additional sense code with its qualifier.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace scrivo {

// First stage: status, host adapter status and target status of the request.
std::string StatusText(uint8_t status, uint8_t haStat, uint8_t targStat);
// Second stage, used when the first gave "CHECK CONDITION": the sense key of fixed-format
// sense data (at least 14 bytes). Keys without a text of their own give "CHECK CONDITION".
std::string SenseKeyText(const uint8_t* sense);
// Third stage: the text of an ASC/ASCQ pair, or "ASC,ASCQ" in decimal for a pair not known.
std::string SenseCodeText(uint8_t asc, uint8_t ascq);

struct SenseCodeEntry {
    uint8_t Asc;
    uint8_t Ascq;
    const char* Text;
};
// Sorted by (Asc, Ascq); generated from the list of assignments.
extern const SenseCodeEntry SenseCodeTable[];
extern const size_t SenseCodeTableSize;

} // namespace scrivo
