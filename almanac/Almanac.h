// The almanac library's one entry point, bound by the program when it is loaded.
#pragma once

#if defined(__GNUC__)
#define HX_ALMANAC_EXPORT __attribute__((visibility("default")))
#else
#define HX_ALMANAC_EXPORT
#endif

extern "C" {

// The almanac entry of a Gregorian date as UTF-8 text, fields separated by "/":
//   农历:<year pillar>年<month><day>/干支:<year> <month> <day pillars>/生肖:/宜:/忌:/冲煞:/
//   公历:YYYY-MM-DD/星期:/节气:/值星:/来源:<ident>
// The text belongs to the library and stays valid until the same thread calls again; calls
// from several threads at once are safe. An impossible date, or one outside 1900-01-31 ..
// 2100-12-31, gives "". A null `ident` leaves 来源 empty.
HX_ALMANAC_EXPORT const char* AlmanacOutPut(const char* ident, int year, int month, int day);
}
