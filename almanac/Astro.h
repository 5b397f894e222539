// Positions of the Sun and the Moon that the Chinese calendar is built on: the instants of the
// new moons and of the 24 solar terms. Used only to build and check the calendar table, never
// at run time by the library itself.
#pragma once

namespace hx::almanac {

// Julian day (UT) of a Gregorian calendar date at 0h.
double JulianDayUT(int year, int month, double day);

// Terrestrial Time minus Universal Time, in seconds, for a decimal year (polynomials of
// Espenak & Meeus, "Five Millennium Canon of Solar Eclipses", NASA TP-2006-214141).
double DeltaTSeconds(double decimalYear);

// Apparent geocentric longitude of the Sun in degrees [0, 360) at the Julian ephemeris day jde.
// Truncated VSOP87D series (Meeus, "Astronomical Algorithms", 2nd ed., ch. 32 and appendix III),
// FK5 correction, nutation in longitude (ch. 22, 0.5" formula) and annual aberration (ch. 25).
double SunApparentLongitude(double jde);

// Julian ephemeris day of the moment the Sun's apparent longitude reaches `degrees`, searched
// near the ephemeris day `guess` (within about ten days).
double SolarLongitudeMoment(double degrees, double guess);

// Julian ephemeris day of the true new moon with lunation number k (k = 0 is the new moon of
// 2000-01-06), Meeus ch. 49 with its periodic and planetary terms.
double TrueNewMoon(int k);

// The moment `jde` (Terrestrial Time) as a Julian day counted from Beijing midnight: its floor
// is the Julian day number of the Beijing civil date. Beijing time is UTC+8 from 1929 on and
// the local mean time of the Beijing meridian before.
double BeijingTime(double jde);
long BeijingDayNumber(double jde);

} // namespace hx::almanac
