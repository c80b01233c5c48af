// The labels of the shooting-information text as code page 932 bytes.
#pragma once

namespace cp932 {

inline constexpr char EvZero[] = "EV\x81\x7D" "0";                   // EV±0
inline constexpr char HighSpeedProgram[] = "\x8D\x82\x91\xAC" "P";  // 高速P
inline constexpr char LowSpeedProgram[] = "\x92\xE1\x91\xAC" "P";   // 低速P
inline constexpr char Portrait[] = "\xCE\xDF\xB0\xC4\xDA\xB2\xC4";  // ﾎﾟｰﾄﾚｲﾄ
inline constexpr char Landscape[] = "\x95\x97\x8C\x69";             // 風景
inline constexpr char UnknownProgram[] =
    "\x98\x49\x8F\x6F\xD3\xB0\xC4\xDE\x95\x73\x96\xBE";             // 露出ﾓｰﾄﾞ不明
inline constexpr char Average[] = "\x95\xBD\x8B\xCF\x91\xAA\x8C\xF5";  // 平均測光
inline constexpr char CentreWeighted[] = "\x92\x86\x89\x9B\x8F\x64\x93\x5F";  // 中央重点
inline constexpr char Spot[] = "\xBD\xCE\xDF\xAF\xC4";              // ｽﾎﾟｯﾄ
inline constexpr char MultiSpot[] = "\xCF\xD9\xC1\xBD\xCE\xDF\xAF\xC4";  // ﾏﾙﾁｽﾎﾟｯﾄ
inline constexpr char MultiSegment[] = "\x91\xBD\x95\xAA\x8A\x84";  // 多分割
inline constexpr char Partial[] = "\x95\x94\x95\xAA";               // 部分
inline constexpr char Other[] = "\x82\xBB\x82\xCC\x91\xBC";         // その他
inline constexpr char Unknown[] = "\x95\x73\x96\xBE";               // 不明
inline constexpr char ManualExposure[] = "\xCF\xC6\xAD\xB1\xD9\x98\x49\x8F\x6F";  // ﾏﾆｭｱﾙ露出
inline constexpr char FlashNotFired[] = "F\x94\xF1\x94\xAD\x8C\xF5";  // F非発光
inline constexpr char FlashFired[] = "F\x94\xAD\x8C\xF5";             // F発光
inline constexpr char WhiteBalanceManual[] = "WB\xCF\xC6\xAD\xB1\xD9";  // WBﾏﾆｭｱﾙ
inline constexpr char WhiteBalanceAuto[] = "WB\xB5\xB0\xC4";          // WBｵｰﾄ
inline constexpr char UnknownLens[] = "\x95\x73\x96\xBE\x82\xC8\x83\x8C\x83\x93\x83\x59";  // 不明なレンズ
inline constexpr char AfAReleasePriority[] =
    "AF-A(\xDA\xD8\xB0\xBD\xDE\x97" "D\x90\xE6)";                      // AF-A(ﾚﾘｰｽﾞ優先)
inline constexpr char KaLens[] = "KA\xDA\xDD\xBD\xDE";                // KAﾚﾝｽﾞ

}  // namespace cp932
