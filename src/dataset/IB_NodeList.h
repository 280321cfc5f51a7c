#pragma once
// TIB_NodeList: the row buffer of a buffered dataset. Rows are kept in
// fetch order, numbered from 1; position 0 is the BOF sentinel and
// Count() + 1 the EOF sentinel. Each node holds the row's key data (the
// bytes of its key columns, or a sequence number), its record (the bytes
// of a TIB_Row's current block: indicators, data, blob ids and calculated
// columns) and its flags. Records live in fixed-size chunks owned by the
// list, so a row costs one record and no per-value allocation. The list
// keeps two positions: the current row (the dataset's row) and the buffer
// row (the one a grid reads). Removed nodes go to a free list and are
// reused; a key index finds a node by its key data.
//
// The list owns its nodes and records; node pointers stay valid until the
// node is removed or the list is reset.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace varnel::db {

enum class TIB_NodeFlag : std::uint8_t {
    nfEdited = 1,
    nfInserted = 2,
    nfDeleted = 4,
    nfApplied = 8,
    nfSkipped = 16,
    nfSelected = 32,
    nfFiltered = 64
};

struct TIB_Node {
    std::string Key;                 // key data
    unsigned char* Record = nullptr; // RecordSize() bytes, owned by the list
    std::uint8_t Flags = 0;

    bool Has(TIB_NodeFlag f) const { return (Flags & static_cast<std::uint8_t>(f)) != 0; }
    void Set(TIB_NodeFlag f, bool on)
    {
        if (on)
            Flags |= static_cast<std::uint8_t>(f);
        else
            Flags &= static_cast<std::uint8_t>(~static_cast<std::uint8_t>(f));
    }
};

class TIB_NodeList {
public:
    TIB_NodeList() = default;
    TIB_NodeList(const TIB_NodeList&) = delete;
    TIB_NodeList& operator=(const TIB_NodeList&) = delete;

    // Drops every row (nodes, records, key index) and sets the record size
    // of the rows to come; both positions go to BOF.
    void Reset(std::size_t recordSize);
    std::size_t RecordSize() const { return recordSize_; }

    // Number of rows (the BOF sentinel is 0, the EOF sentinel Count() + 1).
    int Count() const { return static_cast<int>(rows_.size()); }
    // Appends a row: copies the record and indexes the key.
    TIB_Node& Append(const void* record, std::string key);
    // Row n (1-based); null for the sentinels and beyond.
    TIB_Node* Node(int n) const;
    // The first row whose key data is `key`; null if none.
    TIB_Node* FindKey(const std::string& key) const;
    // The row number of a node of this list; 0 if it is not in the list.
    int RowNumOf(const TIB_Node* node) const;
    // Changes the key data of a row (after a post changed its key columns).
    void SetKey(TIB_Node& node, std::string key);
    // Removes row n; later rows move up by one and the node goes to the
    // free list. Positions after it move with their rows.
    void Remove(int n);

    // The two positions, each 0 .. Count() + 1.
    int CurrentRowNum() const { return current_; }
    void SetCurrentRowNum(int n) { current_ = Clamp(n); }
    int BufferRowNum() const { return buffer_; }
    void SetBufferRowNum(int n) { buffer_ = Clamp(n); }

    // A sequence number for rows without key columns.
    std::uint64_t NextSequence() { return ++sequence_; }

private:
    static constexpr std::size_t kChunkRows = 256;
    int Clamp(int n) const { return n < 0 ? 0 : (n > Count() + 1 ? Count() + 1 : n); }
    unsigned char* NewRecord();

    std::size_t recordSize_ = 0;
    std::vector<std::unique_ptr<unsigned char[]>> chunks_;
    std::size_t usedInChunk_ = kChunkRows;
    std::deque<TIB_Node> nodes_;     // stable storage of every node made
    std::vector<TIB_Node*> rows_;    // rows in order
    std::vector<TIB_Node*> free_;    // removed nodes, records kept for reuse
    std::unordered_multimap<std::string, TIB_Node*> keys_;
    int current_ = 0;
    int buffer_ = 0;
    std::uint64_t sequence_ = 0;
};

} // namespace varnel::db
