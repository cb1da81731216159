#include "file/gzip/GzipFileManager.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "console/Console.h"
#include "platform/NotFound.h"

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

// inflate's data_type after a Z_BLOCK return: the unused bits of the last
// input byte, whether the block being decoded is the member's last, and
// whether inflate stopped right at a block boundary.
constexpr int kUnusedBitsMask = 7;
constexpr int kInLastBlock = 64;
constexpr int kAtBlockBoundary = 128;

constexpr uint32_t kLargestPosition = 0xFFFFFFFF;

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

const ce::WCHAR* faultFormat(GzipFileManager::Fault fault) {
    using Fault = GzipFileManager::Fault;
    switch (fault) {
        case Fault::kHeader:
            return TEXT("gzip: bad member header at content offset 0x%x.\n");
        case Fault::kData:
            return TEXT("gzip: invalid compressed data near content offset 0x%x.\n");
        case Fault::kCrc:
            return TEXT("gzip: CRC-32 mismatch in the member ending at content offset 0x%x.\n");
        case Fault::kLength:
            return TEXT("gzip: length mismatch in the member ending at content offset 0x%x.\n");
        case Fault::kCutShort:
            return TEXT("gzip: compressed data cut short at content offset 0x%x.\n");
        case Fault::kBackend:
            return TEXT("gzip: the stored file could not be read (content offset 0x%x).\n");
        case Fault::kTooLarge:
            return TEXT("gzip: content larger than 4 GiB (at 0x%x).\n");
        case Fault::kNoDecoder:
            return TEXT("gzip: can't start the decoder again (content offset 0x%x).\n");
        case Fault::kNone:
            break;
    }
    return TEXT("gzip: unknown fault at 0x%x.\n");
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

// The state of one pass over the file; what is known of the whole file
// (verdict, size, checkpoints) stays.
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
    memberBytes = 0;
    inputEnd = 0;
    windowEnd = 0;
    windowFill = 0;
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
    fault_ = Fault::kNone;
    sizeKnown = 0;
    contentSize = 0;
    tailKnown = 0;
    oversized = 0;
    inflated_ = 0;
    checkpoints_.reset(backend->size());
    if (!startStream()) {
        backend->close();
        return false;
    }
    readHeader();
    gzipped = compressed;
    return true;
}

uint32_t GzipFileManager::close() {
    endStream();
    checkpoints_.reset(0);  // their memory is not kept for a closed file
    return backend->close();
}

void GzipFileManager::fail(Fault fault) {
    if (fault_ == Fault::kNone) {
        fault_ = fault;
        if (console)
            console->print(faultFormat(fault), position);
    }
    status = fault == Fault::kBackend ? kInputError : kDataError;
}

bool GzipFileManager::restart() {
    if (!backend->seek(0)) {
        fail(Fault::kBackend);
        return false;
    }
    resetState();
    if (!startStream()) {
        fail(Fault::kNoDecoder);
        return false;
    }
    readHeader();
    return fault_ == Fault::kNone;
}

// The technique of a random-access index over deflate data: prime the
// decoder with the bits left of the byte before the boundary and give it the
// window as its dictionary.
bool GzipFileManager::resume(const GzipCheckpoint& point) {
    if (!backend->seek(point.inputOffset)) {
        fail(Fault::kBackend);
        return false;
    }
    resetState();
    inputEnd = point.inputOffset;
    position = point.position;
    if (!startStream()) {
        fail(Fault::kNoDecoder);
        return false;
    }
    if (point.bits &&
        inflatePrime(stream, int(point.bits), int(point.lastByte >> (8 - point.bits))) != Z_OK) {
        fail(Fault::kNoDecoder);
        return false;
    }
    if (point.windowBytes &&
        inflateSetDictionary(stream, point.window.get(), point.windowBytes) != Z_OK) {
        fail(Fault::kNoDecoder);
        return false;
    }
    compressed = 1;
    memberBytes = point.memberBytes;
    crc = point.crc;
    std::memcpy(window, point.window.get(), point.windowBytes);
    windowEnd = point.windowBytes % kWindowBytes;
    windowFill = point.windowBytes;
    inputArea[0] = uint8_t(point.lastByte);
    return true;
}

// Plain data after the last member lies in the stored file as it is.
bool GzipFileManager::jumpToPlainTail(uint32_t target) {
    uint32_t offset = tailOffset + (target - tailPosition);
    if (offset < tailOffset) {
        fail(Fault::kTooLarge);
        return false;
    }
    if (!ownsLiveStream() && !restart())
        return false;
    if (!backend->seek(offset)) {
        fail(Fault::kBackend);
        return false;
    }
    stream->next_in = inputBuffer;
    stream->avail_in = 0;
    inputEnd = offset;
    endOfInput = 0;
    compressed = 0;
    status = kOk;
    position = target;
    return true;
}

// The stored size gives the plain tail's length without reading it (a
// sparse file of gigabytes costs nothing). A stored size below what was
// already read has wrapped past 4 GiB.
void GzipFileManager::sizeFromPlainTail() {
    uint32_t stored = backend->size();
    if (stored == kNotFound)
        return;  // unknown: reading will tell
    if (stored < tailOffset || stored - tailOffset > kLargestPosition - tailPosition) {
        oversized = 1;
        return;
    }
    sizeKnown = 1;
    contentSize = tailPosition + (stored - tailOffset);
}

bool GzipFileManager::fill() {
    if (stream->next_in > inputArea)
        inputArea[0] = stream->next_in[-1];
    int32_t n = backend->read(inputBuffer, kInputBytes, kCurrentPosition);
    stream->next_in = inputBuffer;
    if (n < 1) {
        stream->avail_in = 0;
        endOfInput = 1;
        if (n < 0) {
            // A failing backend is not the end of the file.
            fail(Fault::kBackend);
            return false;
        }
        return true;
    }
    stream->avail_in = std::min(uint32_t(n), kInputBytes);
    inputEnd += stream->avail_in;
    return true;
}

int GzipFileManager::nextByte() {
    if (stream->avail_in == 0 && (endOfInput || !fill() || stream->avail_in == 0))
        return -1;
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

void GzipFileManager::readHeader() {
    checkHeader();
    if (status == kDataError)
        fail(Fault::kHeader);
}

void GzipFileManager::noteEnd() {
    status = kEndOfData;
    sizeKnown = 1;
    contentSize = position;
}

void GzipFileManager::endMember() {
    uint32_t storedCrc = readLong();
    uint32_t storedLength = status == kDataError ? 0 : readLong();
    if (fault_ != Fault::kNone)
        return;  // the backend failed inside the trailer
    if (status == kDataError)
        return fail(Fault::kCutShort);
    if (storedCrc != crc)
        return fail(Fault::kCrc);
    if (storedLength != memberBytes)
        return fail(Fault::kLength);
    status = kEndOfData;
    readHeader();  // a further member, or plain data, may follow
    if (fault_ != Fault::kNone)
        return;
    if (!compressed) {
        tailKnown = 1;
        tailPosition = position;
        tailOffset = inputEnd - stream->avail_in;
        status = kOk;
        sizeFromPlainTail();
    } else if (status == kOk) {
        inflateReset(stream);
        crc = 0;
        memberBytes = 0;
        windowFill = 0;
    } else {
        noteEnd();
    }
}

// Every byte the decoder produces: the member's CRC-32 and length, the
// content position, and the window a checkpoint would keep.
void GzipFileManager::account(const uint8_t* output, uint32_t count) {
    if (count == 0)
        return;
    crc = uint32_t(crc32(crc, output, uInt(count)));
    memberBytes += count;
    position += count;
    inflated_ += count;
    if (output == window + windowEnd) {
        windowEnd = (windowEnd + count) % kWindowBytes;  // decoded in place
    } else {
        uint32_t kept = std::min(count, kWindowBytes);
        const uint8_t* from = output + (count - kept);
        uint32_t head = std::min(kept, kWindowBytes - windowEnd);
        std::memcpy(window + windowEnd, from, head);
        std::memcpy(window, from + head, kept - head);
        windowEnd = (windowEnd + kept) % kWindowBytes;
    }
    windowFill = std::min(kWindowBytes, windowFill + count);
}

void GzipFileManager::keepCheckpoint(int dataType) {
    // After the last block only the member's end follows.
    if (!(dataType & kAtBlockBoundary) || (dataType & kInLastBlock))
        return;
    GzipCheckpoint point;
    point.position = position;
    point.inputOffset = inputEnd - stream->avail_in;
    point.memberBytes = memberBytes;
    point.crc = crc;
    point.bits = uint32_t(dataType & kUnusedBitsMask);
    point.lastByte = point.bits ? stream->next_in[-1] : 0;
    point.windowBytes = windowFill;
    if (checkpoints_.due(position)) {
        checkpoints_.add(std::move(point), window, windowEnd);  // none kept when memory is short
    } else {
        checkpoints_.keepLatest(std::move(point), window, windowEnd);
    }
}

// A read that ends where a member's deflate data ends: decoding on without
// room for output still takes the last block's end (it needs none), so the
// trailer is checked and the end of the content known now rather than on a
// later read, and realSize after such a read decodes nothing.
void GzipFileManager::finishMemberIfAtItsEnd() {
    for (int step = 0; step < 3 && compressed && status == kOk; ++step) {
        if (stream->avail_in == 0 && !endOfInput && !fill())
            return;
        uint8_t none = 0;
        stream->next_out = &none;
        stream->avail_out = 0;
        int result = inflate(stream, Z_BLOCK);
        if (result == Z_STREAM_END) {
            endMember();
        } else if (result == Z_DATA_ERROR) {
            fail(Fault::kData);  // this read's bytes were sound; the next read fails
        } else if (result == Z_OK) {
            keepCheckpoint(stream->data_type);
            continue;
        }
        return;  // no progress without room for output: not the end
    }
}

int32_t GzipFileManager::inflateStep(uint8_t* destination, uint32_t count) {
    if (position == kLargestPosition) {
        fail(Fault::kTooLarge);
        return -1;
    }
    count = std::min(count, kLargestPosition - position);
    if (stream->avail_in == 0 && !endOfInput && !fill())
        return -1;
    stream->next_out = destination;
    stream->avail_out = count;
    // Z_BLOCK: inflate also returns at block boundaries, where checkpoints
    // can be taken.
    int result = inflate(stream, Z_BLOCK);
    uint32_t produced = count - stream->avail_out;
    account(destination, produced);
    switch (result) {
        case Z_OK:
            status = kOk;
            keepCheckpoint(stream->data_type);
            break;
        case Z_STREAM_END:
            endMember();
            break;
        case Z_DATA_ERROR:
            fail(Fault::kData);
            return -1;
        case Z_BUF_ERROR:
            if (endOfInput && stream->avail_in == 0) {
                // The member needs input that the file does not have.
                fail(Fault::kCutShort);
                return -1;
            }
            status = result;
            break;
        default:
            status = result;  // ends this read only; the next one tries again
            break;
    }
    return int32_t(produced);
}

int32_t GzipFileManager::passThrough(uint8_t* destination, uint32_t count) {
    uint32_t n = std::min(stream->avail_in, count);
    std::memcpy(destination, stream->next_in, n);
    stream->next_in += n;
    stream->avail_in -= n;
    if (n < count) {
        int32_t r = backend->read(destination + n, count - n, kCurrentPosition);
        if (r < 0) {
            if (gzipped)
                fail(Fault::kBackend);
            return -1;
        }
        uint32_t got = std::min(uint32_t(r), count - n);
        inputEnd += got;
        n += got;
    }
    position += n;
    if (n < count && gzipped)
        noteEnd();
    return int32_t(n);
}

int32_t GzipFileManager::decode(uint8_t* destination, uint32_t count) {
    if (fault_ != Fault::kNone || status == kDataError || status == kInputError)
        return -1;
    if (status == kEndOfData)
        return 0;
    if (!ownsLiveStream())
        return -1;  // no file open, or another file manager took the decoder
    status = kOk;   // another inflate status ended only the last read
    uint32_t done = 0;
    while (done < count && status == kOk) {
        if (!compressed) {
            // No CRC for plain data; a short count is its end.
            int32_t r = passThrough(destination + done, count - done);
            if (r < 0)
                return -1;
            done += uint32_t(r);
            break;
        }
        int32_t r = inflateStep(destination + done, count - done);
        if (r < 0)
            return -1;
        done += uint32_t(r);
    }
    if (done == 0 && status != kOk && status != kEndOfData)
        return -1;  // inflate could not go on; not the end of the content
    if (done == count)
        finishMemberIfAtItsEnd();
    return int32_t(done);
}

bool GzipFileManager::skipTo(uint32_t target) {
    // Decoded straight into the window: nothing is copied.
    while (position < target) {
        uint32_t room = std::min(target - position, kWindowBytes - windowEnd);
        int32_t r = decode(window + windowEnd, room);
        if (r <= 0)
            return false;
    }
    return true;
}

bool GzipFileManager::moveTo(uint32_t target) {
    if (fault_ != Fault::kNone || (sizeKnown && target > contentSize))
        return false;
    if (tailKnown && target >= tailPosition)
        return jumpToPlainTail(target);
    const GzipCheckpoint* point = checkpoints_.before(target);
    if (target < position || !ownsLiveStream()) {
        if (point ? !resume(*point) : !restart())
            return false;
    } else if (point && point->position > position && point->position - position > kWindowBytes) {
        if (!resume(*point))  // cheaper than decoding the way there
            return false;
    }
    return skipTo(target);
}

uint32_t GzipFileManager::realSize() {
    if (!gzipped)
        return size();
    if (fault_ == Fault::kNone && !sizeKnown) {
        uint32_t start = position;
        // Go on from the farthest point an earlier pass reached.
        const GzipCheckpoint* farthest = checkpoints_.last();
        bool ready = !farthest || farthest->position <= position ? ownsLiveStream() || restart()
                                                                 : resume(*farthest);
        while (ready && !sizeKnown && !oversized && fault_ == Fault::kNone &&
               position <= kLargestSizedContent) {
            if (decode(window + windowEnd, kWindowBytes - windowEnd) <= 0)
                break;
        }
        if (!sizeKnown && fault_ == Fault::kNone && console &&
            (oversized || position > kLargestSizedContent)) {
            console->print(
                TEXT("gzip: content larger than 0x%x bytes; not sized.\n"),
                position > kLargestSizedContent ? kLargestSizedContent : kLargestPosition);
        }
        moveTo(start);
    }
    return fault_ != Fault::kNone || !sizeKnown ? kNotFound : contentSize;
}

bool GzipFileManager::seek(uint32_t target) {
    if (!gzipped) {
        backend->seek(target);
        if (ownsLiveStream())
            stream->avail_in = 0;  // the look-ahead is no longer where we are
        position = target;
        return true;
    }
    return moveTo(target);
}

int32_t GzipFileManager::read(void* destination, uint32_t count, uint32_t offset) {
    if (offset != kCurrentPosition && !seek(offset)) {
        // At or past the end of the content there is nothing to read; any
        // other failed seek must not read from wherever decoding stopped.
        bool pastEnd = fault_ == Fault::kNone && sizeKnown && offset >= contentSize;
        return pastEnd ? 0 : -1;
    }
    // The result must stay a non-negative count.
    return decode(static_cast<uint8_t*>(destination), std::min(count, 0x7FFFFFFFu));
}
