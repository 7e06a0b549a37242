// The drive's answers to questions about the disc, kept while nothing that could change the
// disc went to the drive: a caller that examines a disc with several questions in a row then
// asks each once. Whatever else is sent (a write, a mode page, a load), and any refusal (a
// unit attention tells of a new disc), forgets them all.
#pragma once
#include "transport/bvASPI_srb.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace scrivo {

class TKeptAnswers {
  public:
    // Answers the request from a kept answer to the same CDB with the same length: its data
    // copied, the request completed. False when there is none.
    bool Answer(SRB_ExecSCSICmd& srb);
    // After a command went to the drive: keeps the answer to a question, or forgets all.
    void Learn(const SRB_ExecSCSICmd& srb);
    void Forget();

  private:
    struct TAnswer {
        std::vector<uint8_t> Cdb;
        std::vector<uint8_t> Data;
    };
    std::mutex m_; // the cache's and the write thread's reads reach Learn too
    std::vector<TAnswer> answers_;
};

} // namespace scrivo
