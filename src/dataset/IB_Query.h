#pragma once
// TIB_Query: the buffered dataset the application declares its lists
// with. It adds nothing to TIB_BDataset.
#include "dataset/IB_BDataset.h"

namespace varnel::db {

class TIB_Query : public TIB_BDataset {
public:
    using TIB_BDataset::TIB_BDataset;
    std::string ClassName() const override { return "TIB_Query"; }
};

} // namespace varnel::db
