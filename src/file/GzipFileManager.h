// Makes every file look uncompressed. Owns one backend; when a file begins
// with the gzip magic, reads go through the inflate engine and each member's
// header, CRC-32 and length are checked; any other file is passed through.
// Random access on compressed data decodes and discards (forward) or starts
// over from the beginning of the file (backward). Prints nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "file/FileManager.h"

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
    static constexpr uint32_t kSkipBytes = 256;    // forward seeks decode in steps of this

    // Takes ownership of `backend`, which must not be null.
    GzipFileManager(Console*& console, FileManager* backend);
    // Destroys the backend.
    ~GzipFileManager() override;

    // The backend's.
    bool setRoot(const ce::WCHAR* directory) override;
    // False when the backend cannot open the file or the decoder cannot be
    // started (the file is closed again). A bad gzip header does not fail
    // here: every read of such a file returns -1.
    bool open(const ce::WCHAR* name, uint32_t mode) override;
    // The backend's: the stored (compressed) size.
    uint32_t size() override;
    // The size of the whole content after decompression; the position is
    // kept. Decodes the whole file once. 0xFFFFFFFF when the content cannot
    // be decoded to its end (bad header, CRC or length).
    uint32_t realSize() override;
    // Ends the decoder, then the backend's close().
    uint32_t close() override;
    // Content bytes delivered; 0 at the end of the content, -1 once the file
    // is found corrupt (the read that reaches a bad trailer still returns
    // its bytes) or the backend fails.
    int32_t read(void* destination, uint32_t count, uint32_t offset) override;
    // The backend's; nothing is compressed.
    int32_t write(const void* source, uint32_t count, uint32_t offset) override;
    // Moves to a content position. False when the content ends before it or
    // cannot be decoded up to it.
    bool seek(uint32_t position) override;

  private:
    // The two bytes checkHeader may give back can straddle a refill of the
    // input buffer; the byte in front of the buffer holds the last byte of
    // the previous block for that.
    static constexpr uint32_t kGiveBackRoom = 1;

    void resetState();
    bool startStream();
    void endStream();
    bool ownsLiveStream() const;
    bool restart();

    int nextByte();
    uint32_t readLong();
    void discard(uint32_t count);
    void discardString();
    void giveBack(uint32_t count);
    void checkHeader();
    bool trailerMatches();
    void endMember();

    bool refill();
    int32_t decode(uint8_t* destination, uint32_t count);
    int32_t passThrough(uint32_t count);
    int32_t inflateInto(uint8_t* destination, uint32_t count);
    int32_t skip(uint32_t count);

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
    // positions, and going back means decoding again from the start.
    uint32_t gzipped = 0;
    // Content position over the whole file. The decoder's own count restarts
    // with every member, so positions are kept here to make seek and
    // realSize right for files of several members and for plain data that
    // follows the last member.
    uint32_t position = 0;
};
