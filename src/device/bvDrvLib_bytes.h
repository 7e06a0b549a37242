// Byte order helpers for CDBs, drive replies and mode pages (big-endian on the wire).
#pragma once
#include <cstdint>
#include <cstring>

namespace scrivo {

inline uint16_t GetBE16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t GetBE32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
inline uint32_t GetLE32(const uint8_t* p)
{
    return (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}
inline void PutBE16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
inline void PutBE32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// Replies the device keeps are turned to host order in place right after a successful read.
inline void BE16ToHostInPlace(uint8_t* p)
{
    const uint16_t v = GetBE16(p);
    std::memcpy(p, &v, 2);
}
inline void BE32ToHostInPlace(uint8_t* p)
{
    const uint32_t v = GetBE32(p);
    std::memcpy(p, &v, 4);
}
inline uint16_t GetHost16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline uint32_t GetHost32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

} // namespace scrivo
