#include "file/GzipFileManager.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

// gzip member header.
constexpr int kDeflate = 8;
constexpr int kHeaderCrc = 0x02;
constexpr int kExtraField = 0x04;
constexpr int kFileName = 0x08;
constexpr int kComment = 0x10;
constexpr int kReservedFlags = 0xE0;
constexpr int kModificationTimeFlagsAndOs = 6;

constexpr int kRawDeflateWindowBits = -15;  // 32 KB window, no zlib wrapper
// zlib checks only the major version of this text and that the record size
// is its own: the handheld's 32-bit record is 56 bytes, a 64-bit build's is
// larger, so the size passed is always this build's.
constexpr const char* kZlibVersion = "1.2.3";

// The one inflate stream record of the whole system. Whoever resets it last
// owns it; an earlier owner finds out and fails its reads instead of
// decoding with another file's state.
struct SharedStream {
    z_stream record;
    const GzipFileManager* owner;
    bool live;  // initialised and not yet ended
};

SharedStream& sharedStream() {
    static SharedStream shared{};
    return shared;
}

}  // namespace

GzipFileManager::GzipFileManager(Console*& console, FileManager* backend)
    : FileManager(console), backend(backend) {
    resetState();
}

GzipFileManager::~GzipFileManager() {
    endStream();
    SharedStream& shared = sharedStream();
    if (shared.owner == this)
        shared.owner = nullptr;
}

bool GzipFileManager::setRoot(const ce::WCHAR* directory) {
    return backend->setRoot(directory);
}

uint32_t GzipFileManager::size() {
    return backend->size();
}

int32_t GzipFileManager::write(const void* source, uint32_t count, uint32_t offset) {
    return backend->write(source, count, offset);
}

void GzipFileManager::resetState() {
    SharedStream& shared = sharedStream();
    // Clearing a live record would leak the decoder's memory.
    if (shared.live)
        inflateEnd(&shared.record);
    std::memset(&shared.record, 0, sizeof shared.record);
    shared.live = false;
    shared.owner = this;
    stream = &shared.record;
    status = kOk;
    endOfInput = 0;
    crc = 0;
    compressed = 0;
    position = 0;
}

bool GzipFileManager::startStream() {
    if (inflateInit2_(stream, kRawDeflateWindowBits, kZlibVersion, int(sizeof(z_stream))) != Z_OK) {
        return false;
    }
    sharedStream().live = true;
    stream->next_in = inputBuffer;
    return true;
}

void GzipFileManager::endStream() {
    if (!ownsLiveStream())
        return;
    inflateEnd(stream);
    sharedStream().live = false;
}

bool GzipFileManager::ownsLiveStream() const {
    const SharedStream& shared = sharedStream();
    return shared.owner == this && shared.live;
}

bool GzipFileManager::open(const ce::WCHAR* name, uint32_t mode) {
    if (!backend->open(name, mode))
        return false;
    resetState();
    gzipped = 0;
    if (!startStream()) {
        backend->close();
        return false;
    }
    checkHeader();
    gzipped = compressed;
    return true;
}

uint32_t GzipFileManager::close() {
    endStream();
    return backend->close();
}

bool GzipFileManager::restart() {
    backend->seek(0);
    resetState();
    if (!startStream()) {
        status = kInputError;
        return false;
    }
    checkHeader();
    return true;
}

int GzipFileManager::nextByte() {
    if (endOfInput)
        return -1;
    if (stream->avail_in == 0) {
        if (stream->next_in > inputArea)
            inputArea[0] = stream->next_in[-1];
        int32_t n = backend->read(inputBuffer, kInputBytes, kCurrentPosition);
        if (n < 1) {
            endOfInput = 1;
            if (n < 0)
                status = kInputError;  // a failing backend is not the end of the file
            return -1;
        }
        stream->avail_in = std::min(uint32_t(n), kInputBytes);
        stream->next_in = inputBuffer;
    }
    stream->avail_in--;
    return *stream->next_in++;
}

uint32_t GzipFileManager::readLong() {
    int b[4];
    for (int& byte : b)
        byte = nextByte();
    if (b[3] == -1)
        status = kDataError;
    return uint32_t(b[0]) + 256u * uint32_t(b[1]) + 65536u * uint32_t(b[2]) +
           16777216u * uint32_t(b[3]);
}

void GzipFileManager::discard(uint32_t count) {
    for (uint32_t i = 0; i < count && nextByte() != -1; ++i) {
    }
}

void GzipFileManager::discardString() {
    for (int c = nextByte(); c != 0 && c != -1; c = nextByte()) {
    }
}

void GzipFileManager::giveBack(uint32_t count) {
    stream->next_in -= count;
    stream->avail_in += count;
}

void GzipFileManager::checkHeader() {
    uint32_t taken = 0;
    for (uint32_t i = 0; i < 2; ++i) {
        int c = nextByte();
        if (c == int(magic[i])) {
            ++taken;
            continue;
        }
        if (c == -1 && i == 0)
            return;  // nothing more to read
        if (c != -1)
            ++taken;
        // Not gzip: the bytes examined are delivered as plain data.
        compressed = 0;
        giveBack(taken);
        status = stream->avail_in == 0 ? kEndOfData : kOk;
        return;
    }
    compressed = 1;
    int method = nextByte();
    int flags = nextByte();
    if (method != kDeflate || flags < 0 || (flags & kReservedFlags)) {
        status = kDataError;
        return;
    }
    discard(kModificationTimeFlagsAndOs);
    if (flags & kExtraField) {
        int low = nextByte();
        int high = nextByte();
        if (low >= 0 && high >= 0)
            discard(uint32_t(low + 256 * high));
    }
    if (flags & kFileName)
        discardString();
    if (flags & kComment)
        discardString();
    if (flags & kHeaderCrc)
        discard(2);  // not verified
    status = endOfInput ? kDataError : kOk;
}

bool GzipFileManager::trailerMatches() {
    uint32_t storedCrc = readLong();
    if (status == kDataError || storedCrc != crc)
        return false;
    uint32_t storedLength = readLong();
    return status != kDataError && storedLength == uint32_t(stream->total_out);
}

void GzipFileManager::endMember() {
    if (!trailerMatches()) {
        status = kDataError;
        return;
    }
    checkHeader();  // a further member, or plain data, may follow
    if (status == kOk) {
        inflateReset(stream);
        crc = 0;
    }
}

bool GzipFileManager::refill() {
    int32_t n = backend->read(inputBuffer, kInputBytes, kCurrentPosition);
    stream->next_in = inputBuffer;
    stream->avail_in = n > 0 ? std::min(uint32_t(n), kInputBytes) : 0;
    if (n < 1)
        endOfInput = 1;
    if (n >= 0)
        return true;
    // A failing backend is not the end of the file: the bytes decoded so
    // far are delivered, then every read fails.
    status = kInputError;
    return false;
}

int32_t GzipFileManager::read(void* destination, uint32_t count, uint32_t offset) {
    if (offset != kCurrentPosition)
        seek(offset);
    // The result must stay a non-negative count.
    return decode(static_cast<uint8_t*>(destination), std::min(count, 0x7FFFFFFFu));
}

int32_t GzipFileManager::decode(uint8_t* destination, uint32_t count) {
    if (status == kDataError || status == kInputError)
        return -1;
    if (status == kEndOfData)
        return 0;
    if (!ownsLiveStream())
        return -1;  // no file open, or another file manager took the decoder
    stream->next_out = destination;
    stream->avail_out = count;
    int32_t done = inflateInto(destination, count);
    if (done > 0)
        position += uint32_t(done);
    return done;
}

int32_t GzipFileManager::passThrough(uint32_t count) {
    uint32_t n = std::min(stream->avail_in, stream->avail_out);
    std::memcpy(stream->next_out, stream->next_in, n);
    stream->next_in += n;
    stream->avail_in -= n;
    stream->next_out += n;
    stream->avail_out -= n;
    if (stream->avail_out != 0) {
        int32_t r = backend->read(stream->next_out, stream->avail_out, kCurrentPosition);
        if (r < 0)
            return -1;
        uint32_t got = std::min(uint32_t(r), stream->avail_out);
        stream->next_out += got;
        stream->avail_out -= got;
    }
    return int32_t(count - stream->avail_out);
}

int32_t GzipFileManager::inflateInto(uint8_t* destination, uint32_t count) {
    uint8_t* start = destination;
    while (stream->avail_out != 0) {
        if (!compressed)
            return passThrough(count);  // no CRC for plain data
        if (stream->avail_in == 0 && !endOfInput && !refill())
            break;
        status = inflate(stream, Z_NO_FLUSH);
        if (status == kEndOfData) {
            crc = uint32_t(crc32(crc, start, uInt(stream->next_out - start)));
            start = stream->next_out;
            endMember();
        }
        if (status != kOk || endOfInput)
            break;
    }
    crc = uint32_t(crc32(crc, start, uInt(stream->next_out - start)));
    return int32_t(count - stream->avail_out);
}

int32_t GzipFileManager::skip(uint32_t count) {
    uint8_t scratch[kSkipBytes];
    uint32_t total = 0;
    while (count > 0) {
        uint32_t chunk = std::min(count, kSkipBytes);
        int32_t r = decode(scratch, chunk);
        if (r < 0)
            return r;
        count -= uint32_t(r);
        total += uint32_t(r);
        if (uint32_t(r) != chunk)
            break;
    }
    return int32_t(total);
}

uint32_t GzipFileManager::realSize() {
    if (!gzipped)
        return size();
    uint32_t start = position;
    int32_t rest = skip(0x7FFFFFFF);
    bool failed = rest < 0 || status == kDataError || status == kInputError;
    seek(start);
    return failed ? 0xFFFFFFFF : start + uint32_t(rest);
}

bool GzipFileManager::seek(uint32_t target) {
    if (!gzipped) {
        backend->seek(target);
        if (ownsLiveStream())
            stream->avail_in = 0;  // the look-ahead is no longer where we are
        position = target;
        return true;
    }
    if (target < position && !restart())
        return false;
    if (target > position) {
        uint32_t n = target - position;
        int32_t r = skip(n);
        return r >= 0 && uint32_t(r) == n;
    }
    return true;
}
