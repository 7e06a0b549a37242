// BLANK and FORMAT UNIT.
#include "Bytes.h"
#include "Drive.h"

namespace scrivo::vrecorder {

void Drive::Blank(Command& c) {
  RequireMedium();
  bool immediate = c.cdb[1] & 0x10;
  int type = c.cdb[1] & 0x07;
  Disc& d = file_->disc;
  if (!CanWrite(d.media)) CannotWriteIncompatibleFormat();
  d.BlankDisc(type);
  if (type == 0) file_->EraseImage();  // a full blank leaves nothing readable behind
  shadow_.reset();
  Changed();
  double seconds = d.info().cd ? (type == 0 ? 600 : 60) : (type == 0 ? 1200 : 90);
  Occupy(seconds, scsi::kAscOperationInProgress, immediate);
}

void Drive::FormatUnit(Command& c) {
  RequireMedium();
  // Format data with format code 1 is what MMC devices take.
  if ((c.cdb[1] & 0x17) != 0x11) InvalidFieldInCdb();
  if (c.dataLength < 12) ParameterListLengthError();
  const uint8_t* p = c.data;
  bool immediate = p[1] & 0x02;
  if (Get16(p + 2) != 8) InvalidFieldInParameterList();
  uint32_t blocks = Get32(p + 4);
  int type = p[8] >> 2;
  Disc& d = file_->disc;
  if (!d.info().rom && !CanWrite(d.media)) CannotWriteIncompatibleFormat();
  d.Format(type, blocks);
  shadow_.reset();
  Changed();
  // A DVD+RW formats in the background and is usable within seconds.
  double seconds = type == 0x26 ? 20 : type == 0x15 || type == 0x13 ? 60 : 1800;
  Occupy(seconds, scsi::kAscFormatInProgress, immediate);
}

}  // namespace scrivo::vrecorder
