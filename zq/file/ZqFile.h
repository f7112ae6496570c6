// ZqFile: the framework's static file class. Path and folder functions, whole-file loads and
// saves, and the one file worker thread that performs every whole-file load and save and every
// archive open and load in the order they were asked for. Callers either start a request
// (members ending Start, which return a request id) and poll for its result once a frame, or
// call a synchronous member that starts the request and waits for it.
// ZqFile::Io is the file object requests work through: a buffered stream over one file, plain
// or, when built with a block cipher, in the enciphered container (zq/file/ZqCipherFileFormat.h)
// whose plain content its reads, seeks and saves see.
// Paths are Windows-style UTF-16 (see zq/platform/fs). Not for archives (ZqArcFile).
// Depends on zq/thread, zq/memory and the platform's fs layer.
#pragma once

#include "zq/crypto/ZqBlockCipher.h"
#include "zq/platform/fs/fs.h"
#include "zq/system/ZqString.h"
#include "zq/thread/ZqCriticalSection.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <list>
#include <memory>

class ZqArcFile;

namespace zqfile::test {
bool waitForRequests(uint32_t maxMs, std::u16string& pending);
}

class ZqFile {
public:
    // Characters in a path buffer, terminator included.
    static constexpr uint32_t PATH_SIZE = 260;
    // The largest file a load may be limited to and a save may write.
    static constexpr uint32_t MAX_FILE_SIZE = 0x400000;

    using FindData = zqp::FindData;
    using FindHandle = zqp::FindHandle;

    class Io {
    public:
        Io();
        // An Io over the enciphered container with a new cipher of the type; throws 192 for
        // another type or mode (MODE_ECB and MODE_CBC only).
        Io(ZqBlockCipher::TYPE type, ZqBlockCipher::MODE mode);
        virtual ~Io();
        Io(const Io&) = delete;
        Io& operator=(const Io&) = delete;

        // Opens the file for reading. Fails when a file is already open, when it is smaller
        // than minSize, or when *size holds a non-zero limit that is above 4 MiB or below the
        // file's size; otherwise *size (when given) receives the file's size.
        bool ropen(const char16_t* name, uint32_t minSize = 0, uint32_t* size = nullptr);
        // Bytes read (fewer at the end of the file), 0xFFFFFFFF on a read error or while the
        // error flag is set.
        uint32_t read(void* buffer, uint32_t count);
        // One line of UTF-16 text, line end kept, into a buffer of size characters (at least
        // 2); a byte-order mark at the start of the file is skipped. Null at the end of the
        // text, at a zero character or on an error.
        char16_t* fgets(char16_t* buffer, uint32_t size);
        // origin: 0 start, 1 current, 2 end. Success clears the error flag.
        bool seek(int64_t offset, int origin);
        // count bytes at an absolute offset, as seek then read give them; a plain file is read
        // in one call past the stream's buffer, leaving the position undefined for read (seek
        // first). Bytes read, 0xFFFFFFFF on an error.
        uint32_t readAt(uint64_t offset, void* buffer, uint32_t count);
        // The position, 0xFFFFFFFF while the error flag is set or no file is open.
        uint32_t tell() const;
        // True when no file was open or the stream closed without error.
        bool close();

        // Whole-file load through this Io on the worker; waits. The buffer holds exactly the
        // file (free it with ZqMemAlloc::deallocate); *size receives its size. A limit in *size
        // is not applied to whole-file loads, only minSize.
        void* load(const char16_t* name, uint32_t minSize = 0, uint32_t* size = nullptr);
        // Whole-file save of 1 byte to 4 MiB through this Io on the worker; waits.
        bool save(const char16_t* name, const void* data, uint32_t size);
        uint32_t loadStart(const char16_t* name, uint32_t minSize, uint32_t limit);
        // The data must stay valid until the save has finished.
        uint32_t saveStart(const char16_t* name, const void* data, uint32_t size);
        bool isLoadFinished(uint32_t requestId, void** buffer, uint32_t* size = nullptr);
        bool isSaveFinished(uint32_t requestId, const void** data);

        // The cipher's key, given before the Io opens or saves a file; false when the cipher
        // refuses its length or the Io has no cipher.
        bool setKey(const void* key, uint32_t length);
        // The generator behind the container's filler bytes; a modulus below 2 becomes 2 and
        // the result is false. Its state carries on from one save to the next.
        bool setRandSeed(uint32_t modulus, uint32_t seed);

    private:
        friend class ZqFile;
        friend class ZqArcFile;

        void* loadBody(const char16_t* name, uint32_t minSize, uint32_t* size);
        bool saveBody(const char16_t* name, const void* data, uint32_t size);
        static bool checkSize(uint32_t fileSize, uint32_t minSize, const uint32_t* size);

        // The cipher modes (ZqFile_cipher.cpp).
        bool ropenCipher(const char16_t* name, uint32_t minSize, uint32_t* size);
        uint32_t readCipher(uint8_t* out, uint32_t count);
        bool seekCipher(int64_t offset, int origin);
        bool saveCipher(const uint8_t* data, uint32_t size);
        bool readBlocks(uint8_t* to, uint32_t bytes, uint32_t& got);
        bool moveStream(uint64_t position);
        uint32_t headerSize() const {
            return m_blockSize * (m_mode == ZqBlockCipher::MODE_CBC ? 2 : 1);
        }

        std::FILE* m_pStream = nullptr;
        uint32_t m_physicalSize = 0;
        uint32_t m_logicalSize = 0;
        bool m_errorFlag = false;
        uint32_t m_mode = ZqBlockCipher::MODE_NONE;

        // Cipher mode only. Positions are physical offsets in the file, header included; the
        // stream stands at the start of the block that holds m_position.
        uint32_t m_position = 0;
        uint32_t m_alignedPosition = 0;
        uint32_t m_randModulus = 0;
        uint32_t m_randState = 0;
        std::unique_ptr<ZqBlockCipher> m_pCipher;
        // A piece of content (CBC: behind the chaining block it starts with) and one block.
        std::unique_ptr<uint8_t[]> m_pWork;
        std::unique_ptr<uint8_t[]> m_pBlock;
        // ECB: the block held deciphered in m_pBlock; CBC: the enciphered block held at the
        // start of m_pWork. -1 for none.
        int64_t m_decodedBlock = -1;
        int64_t m_chainBlock = -1;
        uint32_t m_blockSize = 0;
        uint32_t m_blockMask = 0;
    };

    // Folders and paths; callable from any thread. Path buffers hold PATH_SIZE characters.
    static bool getCurrentPath(char16_t* path);
    static bool setCurrentPath(const char16_t* path);
    static bool getAppDataPath(char16_t* path);
    static bool getLocalAppDataPath(char16_t* path);
    static bool getMyDocumentPath(char16_t* path);
    // The absolute path; false when it does not fit size characters.
    static bool getFullpath(const char16_t* name, char16_t* fullPath, uint32_t size);
    // An empty path becomes "\\"; a path not ending in a delimiter gets '/' when it holds one
    // anywhere, else '\\'. The buffer form is false when the result would not fit.
    static bool addPathDelimiter(char16_t* path);
    static void addPathDelimiter(ZqString& path);
    // Every '/' becomes '\\'.
    static void exchangePathDelimiter(char16_t* path);
    static void exchangePathDelimiter(ZqString& path);
    // Appends the extension (".txt") when the file name has none; false when it has one, when
    // the result would not fit or for a null argument.
    static bool addExtension(char16_t* path, const char16_t* extension);
    // The '.' that starts the file name's extension, or the terminator when there is none.
    static const char16_t* findExtension(const char16_t* path);
    // The file-name part: after the last delimiter, a trailing delimiter aside.
    static const char16_t* findFilename(const char16_t* path);
    // Creates every folder of the path up to its last delimiter.
    static bool makeDirectory(const char16_t* path);
    static bool removeDirectory(const char16_t* path);
    // Removes the folder and everything in it.
    static bool removeDirectories(const char16_t* path);
    // 0 when nothing matches.
    static FindHandle findFirst(const char16_t* pattern, FindData* data);
    static bool findNext(FindHandle handle, FindData* data);
    static bool findClose(FindHandle handle);
    // The file's size (low 32 bits); 0 when it cannot be read.
    static uint32_t getSize(const char16_t* name);
    // Creation, last-access and last-write times in seconds since 1970; outputs may be null.
    static bool getFileTime(const char16_t* name, int64_t* creation, int64_t* lastAccess,
                            int64_t* lastWrite);
    // Never overwrites an existing destination.
    static bool copy(const char16_t* source, const char16_t* destination);
    static bool move(const char16_t* source, const char16_t* destination);
    static bool remove(const char16_t* name);

    // The Io the static loads and saves use; null selects the default Io again.
    static void setFileIo(Io* io);
    static Io* getDefaultFileIo();

    // Whole-file loads and saves through the current Io, as the Io members of the same names.
    static void* load(const char16_t* name, uint32_t minSize, uint32_t* size);
    static void* load(const char16_t* name, uint32_t* size = nullptr);
    static bool save(const char16_t* name, const void* data, uint32_t size);
    static uint32_t loadStart(const char16_t* name, uint32_t minSize, uint32_t limit);
    static uint32_t saveStart(const char16_t* name, const void* data, uint32_t size);
    // True once the request has finished; hands out its result once. A load gives its buffer
    // (null on failure) and size; a save gives its data back, or null when writing failed.
    static bool isLoadFinished(uint32_t requestId, void** buffer, uint32_t* size = nullptr);
    static bool isSaveFinished(uint32_t requestId, const void** data);

    static void sysInit();
    static void sysMain() {}
    // Serves every request queued before it, stops the worker and drops unclaimed results;
    // then throws the code of an exception that ended the worker early, if one did. Requests
    // made once it has begun finish at once, as failed.
    static void sysQuit();
    // False once the worker has ended: after sysQuit, or when an exception ended it early.
    // Requests then finish at once, as failed (loads give null, saves give null data).
    static bool isWorkerAlive();

private:
    friend class ZqArcFile;
    // The fixed-step frames' wait looks at the queue (ZqFile_test.h).
    friend bool zqfile::test::waitForRequests(uint32_t maxMs, std::u16string& pending);

    class Thread;
    struct FileData;

    enum Kind : uint32_t { KIND_LOAD = 0, KIND_SAVE = 1, KIND_ARC_OPEN = 2, KIND_ARC_LOAD = 3 };

    static void* loadBody(Io* io, const char16_t* name, uint32_t minSize, uint32_t* size);
    static bool saveBody(Io* io, const char16_t* name, const void* data, uint32_t size);
    static uint32_t loadStartBody(Io* io, const char16_t* name, uint32_t minSize, uint32_t limit);
    static uint32_t saveStartBody(Io* io, const char16_t* name, const void* data, uint32_t size);
    static uint32_t arcRopenStartBody(ZqArcFile* arc, const char16_t* name);
    static uint32_t arcLoadStartBody(ZqArcFile* arc, const char16_t* name, uint32_t minSize,
                                     uint32_t limit);
    static bool isLoadFinishedBody(uint32_t requestId, void** buffer, uint32_t* size);
    static bool isSaveFinishedBody(uint32_t requestId, const void** data);
    static bool isArcRopenFinishedBody(uint32_t requestId, bool* opened);
    static bool isArcLoadFinishedBody(uint32_t requestId, void** buffer, uint32_t* size);
    // The archive reader's synchronous open and load over the worker.
    static bool arcRopenBody(ZqArcFile* arc, const char16_t* name);
    static void* arcLoadBody(ZqArcFile* arc, const char16_t* name, uint32_t minSize,
                             uint32_t* size);

    static uint32_t queueBody(FileData&& request);
    static bool claimBody(uint32_t requestId, uint32_t kind, FileData& result);
    static bool waitBody(uint32_t requestId, uint32_t kind, FileData& result);
    // Stops the worker when the program ends without sysQuit (exit from anywhere): no thread
    // may be left to the destruction of static objects.
    static void stopAtExit();
    // Turns a request into the result of one that was never served.
    static void failResult(FileData& request);

    // Both change and are read under m_csFileQueue only: a request takes the current Io while
    // it is queued, so a restart can never leave it naming a destroyed one.
    static std::unique_ptr<Io> m_pDefaultFileIo;
    static Io* m_pCurrentFileIo;
    // Requests not yet taken by the worker, oldest first; finished requests not yet claimed.
    static std::unique_ptr<std::deque<FileData>> m_pFileQueue;
    static std::unique_ptr<std::list<FileData>> m_pFileList;
    static std::unique_ptr<Thread> m_pThread;
    static ZqCriticalSection m_csFileQueue;
    static ZqCriticalSection m_csFileList;
    static uint32_t m_requestId;
};
