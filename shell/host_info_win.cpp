// The host's own name, IPv4 address and user, from the system's own functions.
#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "shell/utilities.h"

int host_address(std::string &address) {
    address = "0.0.0.0";
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        MessageBoxA(nullptr, "SAStartup関数失敗", "Get IP Address", MB_OK | MB_ICONERROR);
        return -1;
    }
    int result = -1;
    char host[129] = {0};
    if (gethostname(host, 128) == 0) {
        hostent *entry = gethostbyname(host);
        if (entry && entry->h_addrtype == AF_INET && entry->h_addr_list && entry->h_addr_list[0]) {
            in_addr first;
            memcpy(&first, entry->h_addr_list[0], 4);
            address = inet_ntoa(first);
            result = 0;
        }
    }
    WSACleanup();
    return result;
}

int computer_name(std::string &name) {
    char buffer[128] = {0};
    DWORD size = sizeof buffer;
    name = GetComputerNameA(buffer, &size) ? buffer : "";
    return 0;
}

int user_name(std::string &name) {
    char buffer[128] = {0};
    DWORD size = sizeof buffer;
    name = GetUserNameA(buffer, &size) ? buffer : "";
    return 0;
}
