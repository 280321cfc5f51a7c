#include "dataset/IB_NodeList.h"

#include <algorithm>
#include <cstring>

namespace varnel::db {

void TIB_NodeList::Reset(std::size_t recordSize)
{
    recordSize_ = recordSize;
    chunks_.clear();
    usedInChunk_ = kChunkRows;
    nodes_.clear();
    rows_.clear();
    free_.clear();
    keys_.clear();
    current_ = 0;
    buffer_ = 0;
    sequence_ = 0;
}

unsigned char* TIB_NodeList::NewRecord()
{
    if (usedInChunk_ == kChunkRows) {
        // Not zeroed: Append copies a whole record into each slot it hands out.
        chunks_.push_back(
            std::make_unique_for_overwrite<unsigned char[]>(std::max<std::size_t>(recordSize_, 1) * kChunkRows));
        usedInChunk_ = 0;
    }
    return chunks_.back().get() + std::max<std::size_t>(recordSize_, 1) * usedInChunk_++;
}

TIB_Node& TIB_NodeList::Append(const void* record, std::string key)
{
    TIB_Node* node;
    if (!free_.empty()) {
        node = free_.back();
        free_.pop_back();
        node->Flags = 0;
    } else {
        nodes_.emplace_back();
        node = &nodes_.back();
        node->Record = NewRecord();
    }
    if (recordSize_)
        std::memcpy(node->Record, record, recordSize_);
    node->Key = std::move(key);
    keys_.emplace(node->Key, node);
    rows_.push_back(node);
    return *node;
}

TIB_Node* TIB_NodeList::Node(int n) const
{
    if (n < 1 || n > Count())
        return nullptr;
    return rows_[static_cast<std::size_t>(n - 1)];
}

TIB_Node* TIB_NodeList::FindKey(const std::string& key) const
{
    auto range = keys_.equal_range(key);
    TIB_Node* best = nullptr;
    int bestRow = 0;
    for (auto it = range.first; it != range.second; ++it) {
        int row = RowNumOf(it->second);
        if (row > 0 && (!best || row < bestRow)) {
            best = it->second;
            bestRow = row;
        }
    }
    return best;
}

int TIB_NodeList::RowNumOf(const TIB_Node* node) const
{
    auto it = std::find(rows_.begin(), rows_.end(), node);
    return it == rows_.end() ? 0 : static_cast<int>(it - rows_.begin()) + 1;
}

void TIB_NodeList::SetKey(TIB_Node& node, std::string key)
{
    auto range = keys_.equal_range(node.Key);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == &node) {
            keys_.erase(it);
            break;
        }
    }
    node.Key = std::move(key);
    keys_.emplace(node.Key, &node);
}

void TIB_NodeList::Remove(int n)
{
    TIB_Node* node = Node(n);
    if (!node)
        return;
    auto range = keys_.equal_range(node->Key);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == node) {
            keys_.erase(it);
            break;
        }
    }
    rows_.erase(rows_.begin() + (n - 1));
    node->Key.clear();
    free_.push_back(node);
    if (current_ > n)
        --current_;
    if (buffer_ > n)
        --buffer_;
    current_ = Clamp(current_);
    buffer_ = Clamp(buffer_);
}

} // namespace varnel::db
