#pragma once

// The maker's contact block, shown in the help window, on the main window's
// maker panel and in the credit line of saved configuration files.
// Invented data: no real company, person or address.
namespace morvi::maker {
inline constexpr const char *company = "Beispiel-Funktechnik GmbH";
inline constexpr const char *street = "Musterweg 12";
inline constexpr const char *town = "D-12345 Musterstadt";
inline constexpr const char *phone = "01234 / 56 78 90";
inline constexpr const char *fax = "01234 / 56 78 91";
inline constexpr const char *email = "info@funktechnik.example";
// Host name without scheme; "http://" is put in front when it is opened.
inline constexpr const char *web = "www.funktechnik.example";
} // namespace morvi::maker
