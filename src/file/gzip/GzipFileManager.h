// Makes every file look uncompressed. Owns one backend; when a file begins
// with the gzip magic, reads go through the inflate engine and each member's
// header, CRC-32 and length are checked; any other file is passed through.
//
// Random access on compressed data: decoding keeps checkpoints (see
// GzipCheckpoints: at most 1/16 of the content size in memory), and a seek
// resumes from the nearest checkpoint before its target, backward or
// forward, then decodes and discards up to the target. Plain data after the
// last member is reached directly in the backend.
//
// The verdict on the content is kept for the open file: once any pass has
// met a damaged header, a deflate data error, a wrong CRC-32 or length, data
// cut short or a failing backend, every later read, seek and realSize fails
// until the next open, whichever checkpoint a later pass starts from. The
// layer prints one line naming the fault when it finds it, and nothing else.
#pragma once

#include <cstdint>
#include <memory>

#include "file/FileManager.h"
#include "file/gzip/GzipCheckpoints.h"

struct z_stream_s;

class GzipFileManager : public FileManager {
  public:
    // Decoder statuses, in zlib's numbering. Any other value comes from
    // inflate and only ends the current read.
    static constexpr int32_t kOk = 0;
    static constexpr int32_t kEndOfData = 1;
    static constexpr int32_t kDataError = -3;
    static constexpr int32_t kInputError = -1;

    static constexpr uint32_t kInputBytes = 1024;  // compressed input is read in blocks of this
    static constexpr uint32_t kWindowBytes = GzipCheckpoints::kWindowBytes;

    // realSize stops decoding a content that grows past this and gives up:
    // no handheld this system boots has a quarter of it in RAM, so nothing
    // larger can be loaded, and a deflate stream can expand over a thousand
    // times (a few MiB of input would otherwise keep the decoder busy up to
    // the 4 GiB a 32-bit size can say).
    static constexpr uint32_t kLargestSizedContent = 0x40000000;

    // What was found wrong with the open file, first fault only.
    enum class Fault : uint32_t {
        kNone,
        kHeader,     // bad magic follow-up, method, flags, or a header cut short
        kData,       // inflate found invalid deflate data
        kCrc,        // a member's CRC-32 differs from its trailer
        kLength,     // a member's length differs from its trailer
        kCutShort,   // the file ends inside a member
        kBackend,    // the backend failed a read or a seek
        kTooLarge,   // the content passes 4 GiB - 1 bytes
        kNoDecoder,  // the decoder could not be started again
    };

    // Takes ownership of `backend`, which must not be null.
    GzipFileManager(Console*& console, FileManager* backend);
    // Destroys the backend.
    ~GzipFileManager() override;

    // The backend's.
    bool setRoot(const ce::WCHAR* directory) override;
    // False when the backend cannot open the file or the decoder cannot be
    // started (the file is closed again). A bad gzip header does not fail
    // here: it is reported, and every read of such a file returns -1.
    bool open(const ce::WCHAR* name, uint32_t mode) override;
    // The backend's: the stored (compressed) size.
    uint32_t size() override;
    // The size of the whole content after decompression; the position is
    // kept. Decodes what no earlier pass has decoded, once per open file.
    // kNotFound when the content is damaged (see above) or larger than
    // kLargestSizedContent.
    uint32_t realSize() override;
    // Ends the decoder, then the backend's close().
    uint32_t close() override;
    // Content bytes delivered; 0 at the end of the content; -1 once the file
    // is found damaged (the read that reaches a bad trailer still returns
    // its bytes; a read that meets bad deflate data or a failing backend
    // returns -1 itself) or when a seek to `offset` fails inside the content.
    int32_t read(void* destination, uint32_t count, uint32_t offset) override;
    // The backend's; nothing is compressed.
    int32_t write(const void* source, uint32_t count, uint32_t offset) override;
    // Moves to a content position. False when the content ends before it or
    // cannot be decoded up to it.
    bool seek(uint32_t position) override;

    // The fault found so far in the open file.
    Fault fault() const { return fault_; }
    // The checkpoints of the open file (for measurements).
    const GzipCheckpoints& checkpoints() const { return checkpoints_; }
    // Content bytes the decoder produced since the file was opened, counting
    // every pass (for measurements).
    uint64_t bytesInflated() const { return inflated_; }

  private:
    // The two bytes checkHeader may give back can straddle a refill of the
    // input buffer; the byte in front of the buffer holds the last byte of
    // the previous block for that (and for the bits a checkpoint keeps).
    static constexpr uint32_t kGiveBackRoom = 1;

    void resetState();
    bool startStream();
    void endStream();
    bool ownsLiveStream() const;
    bool restart();
    bool resume(const GzipCheckpoint& point);
    bool jumpToPlainTail(uint32_t target);
    bool moveTo(uint32_t target);

    bool fill();
    int nextByte();
    uint32_t readLong();
    void discard(uint32_t count);
    void discardString();
    void giveBack(uint32_t count);
    void checkHeader();
    void readHeader();
    void endMember();
    void noteEnd();
    void fail(Fault fault);

    int32_t decode(uint8_t* destination, uint32_t count);
    int32_t passThrough(uint8_t* destination, uint32_t count);
    int32_t inflateStep(uint8_t* destination, uint32_t count);
    void account(const uint8_t* output, uint32_t count);
    void keepCheckpoint(int dataType);
    void finishMemberIfAtItsEnd();
    bool skipTo(uint32_t target);
    void sizeFromPlainTail();

    z_stream_s* stream = nullptr;
    uint32_t magic[2] = {0x1F, 0x8B};
    int32_t status = kOk;
    uint32_t endOfInput = 0;
    uint8_t inputArea[kGiveBackRoom + kInputBytes] = {};
    uint8_t* const inputBuffer = inputArea + kGiveBackRoom;
    uint32_t crc = 0;
    uint32_t compressed = 0;  // the current member is gzip data
    std::unique_ptr<FileManager> backend;

    // The open file began with the gzip magic: positions are content
    // positions, and going back means decoding again from a checkpoint.
    uint32_t gzipped = 0;
    // Content position over the whole file. The decoder's own count restarts
    // with every member, so positions are kept here to make seek and
    // realSize right for files of several members and for plain data that
    // follows the last member.
    uint32_t position = 0;
    uint32_t memberBytes = 0;  // content bytes of the current member (its length check)
    uint32_t inputEnd = 0;     // stored offset just past the input buffer's bytes

    // The last kWindowBytes of the current member's output, circular: what a
    // checkpoint keeps. Reads that only skip decode straight into it.
    uint8_t window[kWindowBytes] = {};
    uint32_t windowEnd = 0;
    uint32_t windowFill = 0;

    // Kept for the open file across passes.
    Fault fault_ = Fault::kNone;
    uint32_t sizeKnown = 0;  // a pass reached the end of the content cleanly
    uint32_t contentSize = 0;
    uint32_t tailKnown = 0;     // plain data follows the last member at...
    uint32_t tailPosition = 0;  // ...this content position,
    uint32_t tailOffset = 0;    // ...this stored offset
    uint32_t oversized = 0;     // the content is known to pass what a size can say
    GzipCheckpoints checkpoints_;
    uint64_t inflated_ = 0;
};
