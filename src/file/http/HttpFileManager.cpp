#include "file/http/HttpFileManager.h"

#include <cstring>

#include "console/Console.h"
#include "file/http/HttpConnection.h"
#include "platform/Allocate.h"
#include "platform/ce/CeFile.h"
#include "platform/ce/CeMemory.h"
#include "platform/ce/CeSystem.h"
#include "platform/ce/CeText.h"

namespace {

constexpr ce::WORD kWinsockVersion = 0x0101;
constexpr uint16_t kDefaultPort = 80;

// The value of the leading decimal digits; 0 when there are none. A value
// beyond 32 bits stays at 0xFFFFFFFF, which no buffer can hold.
template <class Char>
uint32_t decimalValue(const Char* text) {
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + uint32_t(*text - '0');
        if (value > 0xFFFFFFFF)
            return 0xFFFFFFFF;
    }
    return uint32_t(value);
}

}  // namespace

HttpFileManager::HttpFileManager(Console*& console)
    : FileManager(console),
      getPiece("GET "),
      headPiece("HEAD "),
      versionPiece(" HTTP/1.0\r\nHOST: "),
      agentPiece("\r\nUser-Agent: KESTREL/VEVA(1st impact; Windows CE; ARM)\r\n\r\n") {
    debugLevel = 1;
    resetFile();
    console->print(TEXT("FileManager: HTTP\n"));
    // WinSock of Windows CE before 3.11 has no usable start-up call.
    ce::OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    bool platform = ce::GetVersionExW(&version) &&
                    (version.dwMajorVersion > 3 ||
                     (version.dwMajorVersion == 3 && version.dwMinorVersion >= 11));
    startup = platform ? ce::WSAStartup : startupSubstitute;
    cleanup = platform ? ce::WSACleanup : cleanupSubstitute;
}

HttpFileManager::~HttpFileManager() {
    cleanup();
}

int HttpFileManager::startupSubstitute(ce::WORD version, ce::WSADATA* data) {
    *data = ce::WSADATA{};
    data->wVersion = version;
    data->wHighVersion = version;
    data->iMaxSockets = 10;
    return 0;
}

int HttpFileManager::cleanupSubstitute() {
    return 0;
}

void HttpFileManager::resetFile() {
    asciiPath[0] = 0;
    cached = 0;
    content.reset();
    headerLength = 0;
    position = 0;
}

bool HttpFileManager::setRoot(const ce::WCHAR* directory) {
    ce::WCHAR text[ce::MAX_PATH];
    ce::wcsncpy(text, directory, ce::MAX_PATH - 1);
    text[ce::MAX_PATH - 1] = 0;
    ce::WCHAR* state = nullptr;
    const ce::WCHAR* scheme = ce::wcstok(text, TEXT(":/"), &state);
    if (!scheme || ce::_wcsicmp(scheme, TEXT("http")) != 0)
        return false;
    const ce::WCHAR* host = ce::wcstok(nullptr, TEXT(":/"), &state);
    if (!host) {
        // "http" alone names no server.
        console->print(TEXT("can't get host by name.\n"));
        return false;
    }
    if (!toAscii(hostName, host, ce::MAX_PATH))
        return false;
    uint16_t port = kDefaultPort;
    if (const ce::WCHAR* portText = ce::wcstok(nullptr, TEXT(":/"), &state))
        port = uint16_t(decimalValue(portText));

    if (startup(kWinsockVersion, &winsockData) != 0) {
        console->print(TEXT("WinSock initialize failed.\n"));
        return false;
    }
    if ((winsockData.wVersion & 0xFF) != 1 || (winsockData.wVersion >> 8) != 1) {
        console->print(TEXT("can't use WinSock DLL.\n"));
        return false;
    }
    ce::SOCKET test = ce::socket(ce::AF_INET, ce::SOCK_STREAM, 0);
    if (test == ce::INVALID_SOCKET) {
        console->print(TEXT("can't open socket. cause=%d\n"), ce::GetLastError());
        return false;
    }
    serverAddress = ce::sockaddr_in{};
    serverAddress.sin_family = ce::AF_INET;
    serverAddress.sin_port = ce::htons(port);
    bool connected = connectServer(test);
    ce::closesocket(test);
    if (connected)
        console->print(TEXT("(%S) connected.\n"), hostName);
    return connected;
}

bool HttpFileManager::tryAddress(ce::SOCKET test, const uint8_t* address) {
    std::memcpy(&serverAddress.sin_addr, address, 4);
    console->print(TEXT("%d.%d.%d.%d "), address[0], address[1], address[2], address[3]);
    return ce::connect(test, reinterpret_cast<const ce::sockaddr*>(&serverAddress),
                       sizeof serverAddress) == 0;
}

bool HttpFileManager::connectServer(ce::SOCKET test) {
    if (const ce::hostent* host = ce::gethostbyname(hostName)) {
        for (char** entry = host->h_addr_list; host->h_length == 4 && entry && *entry; ++entry) {
            if (tryAddress(test, reinterpret_cast<const uint8_t*>(*entry)))
                return true;
        }
        console->print(TEXT("can't connect server.\n"));
        return false;
    }
    ce::ULONG address = ce::inet_addr(hostName);
    if (address == ce::INADDR_NONE) {
        console->print(TEXT("can't get host by name.\n"));
        return false;
    }
    uint8_t bytes[4];
    std::memcpy(bytes, &address, 4);
    if (tryAddress(test, bytes))
        return true;
    console->print(TEXT("can't connect server.\n"));
    return false;
}

bool HttpFileManager::open(const ce::WCHAR* name, uint32_t) {
    resetFile();
    return toAscii(asciiPath, name, ce::MAX_PATH);
}

uint32_t HttpFileManager::size() {
    uint32_t headerBytes = 0;
    return head(headerBytes);
}

uint32_t HttpFileManager::close() {
    return 1;
}

int32_t HttpFileManager::write(const void*, uint32_t, uint32_t) {
    return 0;
}

bool HttpFileManager::seek(uint32_t offset) {
    position = offset;
    return true;
}

bool HttpFileManager::sendRequest(const HttpConnection& connection, const char* method) {
    const char* pieces[] = {method, asciiPath, versionPiece, hostName, agentPiece};
    size_t length = 0;
    for (const char* piece : pieces)
        length += std::strlen(piece);
    // The request and its terminator must fit the request buffer.
    if (length + 1 > sizeof request) {
        console->print(TEXT("request too long. %d > %d\n"), int(length + 1), int(sizeof request));
        return false;
    }
    char* end = request;
    for (const char* piece : pieces) {
        size_t n = std::strlen(piece);
        std::memcpy(end, piece, n);
        end += n;
    }
    *end = 0;
    ce::send(connection.socket(), request, int(length), 0);
    return true;
}

HttpFileManager::HeadResult HttpFileManager::receiveHead(HttpConnection& connection, char* buffer,
                                                         uint32_t& received, HttpHead& parsed) {
    received = 0;
    uint32_t deadline = ce::GetTickCount() + limits_.headMs;
    parsed = HttpHead::parse(buffer, 0, kHeadBytes);
    while (parsed.verdict == HttpHead::kIncomplete) {
        uint32_t n = 0;
        auto outcome = connection.receive(buffer + received, kHeadBytes - received,
                                          limits_.receiveWaitMs, deadline, n);
        if (outcome == HttpConnection::kClosed)
            break;
        if (outcome != HttpConnection::kReceived) {
            reportReceive(outcome);
            return kHeadFailed;
        }
        received += n;
        parsed = HttpHead::parse(buffer, received, kHeadBytes);
    }
    switch (parsed.verdict) {
        case HttpHead::kComplete:
            lastStatus_ = parsed.status;
            return kHeadSound;
        case HttpHead::kTooLong:
            console->print(TEXT("header too long.\n"));
            return kHeadFailed;
        case HttpHead::kBadStatusLine:
            console->print(TEXT("bad status line.\n"));
            return kHeadFailed;
        case HttpHead::kBadLength:
            console->print(TEXT("bad Content-Length.\n"));
            return kHeadFailed;
        default:
            // The server closed before the empty line.
            if (received == 0)
                return kHeadEmpty;
            console->print(TEXT("header cut short after %u bytes.\n"), received);
            return kHeadFailed;
    }
}

bool HttpFileManager::receiveBody(HttpConnection& connection, char* buffer, uint32_t from,
                                  uint32_t size) {
    uint64_t allowed =
        limits_.bodyMs +
        uint64_t(size) * 1000 / (limits_.bodyBytesPerSecond ? limits_.bodyBytesPerSecond : 1);
    uint32_t deadline = ce::GetTickCount() + uint32_t(allowed > 0x7FFFFFFF ? 0x7FFFFFFF : allowed);
    // Straight into the content, as much as each receive brings.
    for (uint32_t total = from; total < size;) {
        uint32_t n = 0;
        auto outcome =
            connection.receive(buffer + total, size - total, limits_.receiveWaitMs, deadline, n);
        if (outcome == HttpConnection::kClosed) {
            console->print(TEXT("content cut short: %u of %u bytes.\n"), total, size);
            return false;
        }
        if (outcome != HttpConnection::kReceived) {
            reportReceive(outcome);
            return false;
        }
        total += n;
    }
    return true;
}

void HttpFileManager::reportReceive(uint32_t outcome) {
    if (outcome == HttpConnection::kTimedOut) {
        console->print(TEXT("receive timed out.\n"));
    } else {
        console->print(TEXT("can't receive. cause=%d\n"), ce::GetLastError());
    }
}

uint32_t HttpFileManager::head(uint32_t& headerBytes) {
    headerBytes = 0;
    HttpConnection connection(&serverAddress);
    if (!connection.valid()) {
        console->print(TEXT("can't open socket.\n"));
        return 0;
    }
    if (!sendRequest(connection, headPiece))
        return 0;
    std::unique_ptr<char[]> buffer = allocateArray<char>(kHeadBytes);
    if (!buffer) {
        console->print(TEXT("can't allocate receive buffer.\n"));
        return 0;
    }
    uint32_t received = 0;
    HttpHead parsed;
    HeadResult result = receiveHead(connection, buffer.get(), received, parsed);
    headerBytes = result == kHeadSound ? parsed.headerBytes : received;
    if (result == kHeadSound && parsed.hasLength) {
        console->print(TEXT("open http://%S%S - header %d byte contents %d byte\n"), hostName,
                       asciiPath, parsed.headerBytes, parsed.contentLength);
        return parsed.contentLength;
    }
    // A sound head without a length, or no answer at all, announce nothing.
    if (result != kHeadFailed)
        console->print(TEXT("No Content-Length.\n"));
    return 0;
}

int32_t HttpFileManager::read(void* destination, uint32_t count, uint32_t offset) {
    uint32_t p = offset;
    if (offset == kCurrentPosition) {
        p = position;
        position += count;
    }
    if (!cached) {
        int32_t fetched = fetchContent();
        if (fetched <= 0)
            return fetched;
    }
    return copyFromContent(destination, count, p);
}

bool HttpFileManager::fitsMemory(uint32_t length) {
    ce::MEMORYSTATUS memory{};
    memory.dwLength = sizeof memory;
    ce::GlobalMemoryStatus(&memory);
    if (length <= memory.dwAvailPhys)
        return true;
    console->print(TEXT("content too large: %u bytes, %u free.\n"), length, memory.dwAvailPhys);
    return false;
}

int32_t HttpFileManager::fetchContent() {
    if (headerLength == 0)
        contentLength = head(headerLength);
    HttpConnection connection(&serverAddress);
    if (!connection.valid())
        return 0;
    if (!sendRequest(connection, getPiece))
        return -1;
    std::unique_ptr<char[]> headBuffer = allocateArray<char>(kHeadBytes);
    if (!headBuffer) {
        console->print(TEXT("can't allocate receive buffer.\n"));
        return -1;
    }
    // The GET's own head says where its body starts and how long it is.
    uint32_t received = 0;
    HttpHead parsed;
    HeadResult result = receiveHead(connection, headBuffer.get(), received, parsed);
    if (result != kHeadSound) {
        if (result == kHeadEmpty)
            console->print(TEXT("no answer.\n"));
        return -1;
    }
    if (!parsed.succeeded())
        console->print(TEXT("server answered status %d.\n"), parsed.status);
    uint32_t length = parsed.hasLength ? parsed.contentLength : 0;
    if (!fitsMemory(length))
        return -1;
    std::unique_ptr<char[]> body = length ? allocateArray<char>(length) : nullptr;
    if (length && !body) {
        console->print(TEXT("can't allocate receive buffer.\n"));
        return -1;
    }
    uint32_t early = received - parsed.headerBytes;
    if (early > length)
        early = length;
    if (early)
        std::memcpy(body.get(), headBuffer.get() + parsed.headerBytes, early);
    if (!receiveBody(connection, body.get(), early, length))
        return -1;
    headerLength = parsed.headerBytes;
    contentLength = length;
    content = std::move(body);
    cached = 1;
    return 1;
}

int32_t HttpFileManager::copyFromContent(void* destination, uint32_t count, uint32_t p) const {
    if (p >= contentLength)
        return 0;
    uint32_t n = count < contentLength - p ? count : contentLength - p;
    std::memcpy(destination, content.get() + p, n);
    return int32_t(n);
}
