// Prints LunarTable.cpp, and the moments that fell close to midnight on stderr.
#include "almanac/TableBuilder.h"

#include <iostream>

int main()
{
    const hx::almanac::BuiltTables tables = hx::almanac::BuildTables();
    std::cout << hx::almanac::LunarTableSource(tables);
    for (const std::string& line : tables.closeCalls)
        std::cerr << line << '\n';
    return 0;
}
