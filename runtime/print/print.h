// Printing: LPRINT onto a printer page and printing images.
#pragma once
#include <cstdint>

// 1 while the printer page holds text that has not been printed.
int printer_page_pending();
// Prints the pending page. On the main loop's passes it prints only when no LPRINT is in
// progress and the last LPRINT lies 10 seconds or more back; once shutdown has begun
// (stop_all) it prints a pending page at once. Clears the page afterwards.
void printer_flush_page();
