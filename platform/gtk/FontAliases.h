// The program's own fontconfig aliases: the Windows face names (宋体/SimSun, 黑体/SimHei,
// 微软雅黑/Microsoft YaHei, Tahoma) mapped onto the faces Debian ships. Call it before GTK or
// Pango first use a font; later calls do nothing.
#pragma once

namespace hx {

// Loads the embedded alias file into the current fontconfig configuration. Returns whether
// the aliases are in force (false, and a log line, if fontconfig refused the file).
bool LoadFontAliases();

} // namespace hx
