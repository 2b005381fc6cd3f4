// The host's own name, IPv4 address and user, as the banner shows them
// (portable build; the Windows twin asks the system's own functions).
#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "shell/utilities.h"

int host_address(std::string &address) {
    address = "0.0.0.0";
    char host[129] = {0};
    if (gethostname(host, sizeof host - 1) != 0) return -1;
    addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    addrinfo *found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return -1;
    char dotted[INET_ADDRSTRLEN] = {0};
    const sockaddr_in *first = reinterpret_cast<const sockaddr_in *>(found->ai_addr);
    int converted = inet_ntop(AF_INET, &first->sin_addr, dotted, sizeof dotted) != nullptr;
    freeaddrinfo(found);
    if (!converted) return -1;
    address = dotted;
    return 0;
}

int computer_name(std::string &name) {
    char host[129] = {0};
    name = gethostname(host, sizeof host - 1) == 0 ? host : "";
    return 0;
}

int user_name(std::string &name) {
    const char *user = std::getenv("USER");
    if (!user || !*user) user = std::getenv("LOGNAME");
    name = user ? user : "";
    return 0;
}
