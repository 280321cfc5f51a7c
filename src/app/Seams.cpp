#include "app/ListOrdering.h"
#include "app/LoginParams.h"

TLoginParams::~TLoginParams() = default;
TListOrdering::~TListOrdering() = default;
