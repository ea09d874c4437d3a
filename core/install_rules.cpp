#include "install_rules.h"

#include <cstring>

#include "text_rules.h"

namespace nuvex {

uint64_t RequiredSpace(const uint64_t* perSlot, int count) {
    uint64_t sum = 0;
    for (int i = 0; i < count; ++i) {
        sum += perSlot[i];
    }
    return sum;
}

bool EnoughFreeSpace(uint64_t required, uint64_t freeBytes) {
    // Ten 32-bit declarations plus the margin stay far below 2^64, but a caller may pass any
    // sum: saturate rather than wrap.
    const uint64_t needed =
        required > UINT64_MAX - kFreeSpaceMargin ? UINT64_MAX : required + kFreeSpaceMargin;
    return needed <= freeBytes;
}

uint64_t ClusterBytes(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint32_t freeClusters) {
    return static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector * freeClusters;
}

bool DriveRoot(const char* targetFolder, char (&root)[4]) {
    const char letter = targetFolder[0];
    const bool isLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    if (!isLetter || targetFolder[1] != ':') {
        root[0] = '\0';
        return false;
    }
    root[0] = letter;
    root[1] = ':';
    root[2] = '\\';
    root[3] = '\0';
    return true;
}

ParentFolders ParentFolderPrefixes(const char* targetFolder) {
    ParentFolders result;
    int seen = 0;
    for (std::size_t i = 0; targetFolder[i] != '\0' && seen < kMaxBackslashes; ++i) {
        if (targetFolder[i] != '\\') {
            continue;
        }
        ++seen;
        if (seen >= 2 && i <= UINT16_MAX) {
            result.length[result.count++] = static_cast<uint16_t>(i);
        }
    }
    return result;
}

int ExtractionProgress(int n, int total, EntryStage stage) {
    if (total <= 0 || n < 0 || n >= total) {
        return kProgressExtractionLast;
    }
    // 83 * n stays far below INT_MAX: at most 10 slots x 3 families x 10000 entries.
    const long long base = 83LL * n / total;
    const int step = 83 / total;
    long long value = kProgressAfterCount + base;
    if (stage == EntryStage::kRead) {
        value += step / 3;
    } else if (stage == EntryStage::kInflated) {
        value += (2 * step) / 3;
    }
    return value > kProgressExtractionLast ? kProgressExtractionLast : static_cast<int>(value);
}

ProgressLayout ProgressWindowLayout(bool barStyle, int screenWidth, int screenHeight) {
    // Both styles sit two thirds down the space that a 550-pixel-high wizard area leaves.
    const int lower = 2 * ((screenHeight - 550) / 3);
    if (barStyle) {
        return {{40, lower + 430, screenWidth - 80, 100},
                {1, 1, screenWidth - 100, 16},
                {screenWidth - 190, 60, 100, 25},
                {10, 30, screenWidth - 100, 20}};
    }
    return {{screenWidth / 2 - 175, lower + 380, 350, 150},
            {65, 30, 260, 30},
            {227, 110, 100, 25},
            {25, 80, 300, 20}};
}

void ComposeErrorReport(char* out, std::size_t size, const char* textError, const char* specific,
                        const char* textError1) {
    if (size == 0) {
        return;
    }
    static constexpr char kBlank[] = " ";
    static constexpr char kEmptyLine[] = "\n\n";
    const std::size_t separators = std::strlen(kBlank) + std::strlen(kEmptyLine);
    std::size_t room = size - 1 > separators ? size - 1 - separators : 0;

    // Shares in order of importance: the specific text, then the frame, then the closing text.
    std::size_t specificLength = std::strlen(specific);
    if (specificLength > room) {
        specificLength = room;
    }
    room -= specificLength;
    std::size_t errorLength = std::strlen(textError);
    if (errorLength > room) {
        errorLength = room;
    }
    room -= errorLength;
    std::size_t error1Length = std::strlen(textError1);
    if (error1Length > room) {
        error1Length = room;
    }

    // Separators too are cut when the buffer is tiny.
    std::size_t used = 0;
    auto put = [&](const char* text, std::size_t length) {
        const std::size_t fits = size - 1 - used;
        if (length > fits) {
            length = fits;
        }
        std::memcpy(out + used, text, length);
        used += length;
    };
    put(textError, errorLength);
    put(kBlank, std::strlen(kBlank));
    put(specific, specificLength);
    put(kEmptyLine, std::strlen(kEmptyLine));
    put(textError1, error1Length);
    out[used] = '\0';
}

void ComposeComponentStatus(char* out, std::size_t size, const char* installingPart,
                            const char* title) {
    if (size == 0) {
        return;
    }
    out[0] = '\0';
    AppendCut(out, size, installingPart);
    AppendCut(out, size, " ");
    AppendCut(out, size, title);
    AppendCut(out, size, ".");
}

void ComposeCannotWriteText(char* out, std::size_t size, const char* path) {
    if (size == 0) {
        return;
    }
    out[0] = '\0';
    AppendCut(out, size, "This file cannot be written:\n\n");
    AppendCut(out, size, path);
    AppendCut(out, size,
              "\n\nA program that is running may be using it, it may be read-only, or its path "
              "may be too long. Close that program or make the file writable, then choose "
              "Retry. Cancel stops the installation.");
}

bool StreamInPackage(uint64_t fileSize, uint32_t payloadBase, uint32_t offset, uint32_t length) {
    return static_cast<uint64_t>(payloadBase) + offset + length <= fileSize;
}

bool ClimbsOutOfFolder(const char* relative) {
    int dots = 0;
    bool onlyDotsAndBlanks = true;
    for (const char* p = relative;; ++p) {
        if (*p == '\\' || *p == '/' || *p == '\0') {
            if (onlyDotsAndBlanks && dots >= 2) {
                return true;
            }
            if (*p == '\0') {
                return false;
            }
            dots = 0;
            onlyDotsAndBlanks = true;
        } else if (*p == '.') {
            ++dots;
        } else if (*p != ' ') {
            onlyDotsAndBlanks = false;
        }
    }
}

namespace {

uint32_t Get32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

}  // namespace

bool ApplyStubRecord(unsigned char* image, uint32_t size, const StubRecord& record) {
    constexpr uint32_t kNewHeaderField = 0x3C;
    constexpr uint32_t kOptionalHeaderAt = 24;  // after "PE\0\0" and the file header
    constexpr uint32_t kCheckSumAt = 64;
    constexpr uint32_t kSecurityAt = 128;  // data directory 4 of a PE32 optional header
    constexpr uint16_t kPe32Magic = 0x10B;
    if (static_cast<uint64_t>(record.certOffset) + record.certSize != size || size < 0x40) {
        return false;
    }
    const uint32_t pe = Get32(image + kNewHeaderField);
    const uint64_t optional = static_cast<uint64_t>(pe) + kOptionalHeaderAt;
    if (optional + kSecurityAt + 8 > size || std::memcmp(image + pe, "PE\0\0", 4) != 0 ||
        (image[optional] | (image[optional + 1] << 8)) != kPe32Magic) {
        return false;
    }
    Put32(image + optional + kCheckSumAt, record.checkSum);
    Put32(image + optional + kSecurityAt, record.certOffset);
    Put32(image + optional + kSecurityAt + 4, record.certSize);
    return true;
}

uint32_t EstimatedSizeKb(uint64_t bytes) {
    const uint64_t kb = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    return kb > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(kb);
}

}  // namespace nuvex
