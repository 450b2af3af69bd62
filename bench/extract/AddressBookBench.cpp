// Name look-ups in address books of growing size: each book holds N contacts with a number in
// the device's variants and an e-mail address, and N numbers and N e-mail addresses are named
// through it, as the messages, calls and WhatsApp chats of a large backup are. The time per
// look-up should stay nearly flat as N grows.
//
// Usage: bench_address_book [N]...   (default: 5000 20000 100000)
#include "extract/AddressBookIndex.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string nationalNumber(int i)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "415%07d", i);
    return digits;
}

void measure(int contacts)
{
    std::vector<sqlitecarve::ContactSearchRow> rows(static_cast<std::size_t>(contacts));
    for (int i = 0; i < contacts; ++i) {
        const std::string national = nationalNumber(i);
        auto& row = rows[static_cast<std::size_t>(i)];
        row.first = std::string("Contact ").append(std::to_string(i));
        // The number as written, then the machine-made variants the device adds.
        row.phone = std::string("(")
                        .append(national, 0, 3)
                        .append(") ")
                        .append(national, 3, 3)
                        .append("-")
                        .append(national, 6)
                        .append(" 1" + national + " " + national + " +1" + national + " ");
        row.email = std::string("person").append(std::to_string(i)).append("@example.com ");
    }
    const auto start = std::chrono::steady_clock::now();
    extract::AddressBookIndex index(rows);
    std::size_t named = 0;
    for (int i = 0; i < contacts; ++i) {
        // A scattered order, as a backup's handles come.
        const int contact = static_cast<int>((static_cast<long long>(i) * 7919) % contacts);
        named += index.nameOf("+1" + nationalNumber(contact)).empty() ? 0 : 1;
        named += index.nameOf("person" + std::to_string(contact) + "@example.com").empty() ? 0 : 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%7d contacts: %.3f s for %d look-ups (%.2f us each), %zu named\n",
                contacts,
                seconds,
                2 * contacts,
                seconds * 1e6 / (2.0 * contacts),
                named);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        for (const int contacts : {5000, 20000, 100000}) {
            measure(contacts);
        }
    }
    for (int i = 1; i < argc; ++i) {
        measure(std::max(1, std::atoi(argv[i])));
    }
    return 0;
}
