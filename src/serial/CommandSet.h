#pragma once
// Names for the numbers of the device command set: the maker's fixed queries, the numbered
// maker command "$RADED410,n" and the logger command types "$PMTK182,type".
namespace divuzo {

// The maker's fixed queries "$PPLM8xx" (answered by "$PPLM852", 861, 865 and 900).
namespace plm_query {
inline constexpr int kModel = 810;
inline constexpr int kFirmwareVersion = 829;
inline constexpr int kHardwareVersion = 832;
inline constexpr int kSelfCheck = 837;  // sent before waiting for the device's self-check
} // namespace plm_query

// The numbered maker command "$RADED410,n", acknowledged by "$RADED001,n".
namespace maker_command {
inline constexpr int kPresenceProbe = 1;     // does a logger-family device answer?
inline constexpr int kGoodbye = 2;           // before the line is released
inline constexpr int kFirmwareVersion = 3;   // acknowledgement carries three version digits
inline constexpr int kUpdateNotice = 4;      // sent by the update page
inline constexpr int kBeforeTrackDownload = 6;
inline constexpr int kHardwareVersion = 7;   // acknowledgement carries the hardware field
} // namespace maker_command

// The chipset's logger commands "$PMTK182,type[,a[,b]]" and "$PMTK400".
namespace logger_command {
inline constexpr int kSetParameter = 1;     // a = parameter, b = value
inline constexpr int kQueryParameter = 2;   // a = parameter; answered by type kParameterValue
inline constexpr int kParameterValue = 3;   // the device's answer to a query
inline constexpr int kErase = 6;            // a = 1: erase the track log
inline constexpr int kReadMemory = 7;       // a = start, b = size (both hexadecimal)
inline constexpr int kMemoryData = 8;       // the device's answer carrying memory
inline constexpr int kSetSpeed = 14;        // a = line speed (38400 brings a fast logger back)
inline constexpr int kConnect = 400;        // "$PMTK400": first command of a logger connection
} // namespace logger_command

} // namespace divuzo
