#pragma once
// The launcher hands the shell web addresses only: an address from a page,
// a pop-up or a back-end answer is opened outside the program only when it
// begins with "http:" or "https:" (any case). Any thread.
#include <string>

bool IsWebAddress(const std::wstring& url);
