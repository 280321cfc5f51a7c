#include "db/IB_Column.h"

#include "db/IB_Api.h"
#include "db/IB_Connection.h"
#include "db/IB_Error.h"
#include "db/IB_Row.h"
#include "db/IB_Statement.h"
#include "db/IB_Transaction.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace varnel::db {

namespace {

template <typename T>
T Load(const unsigned char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
void Store(unsigned char* p, T v)
{
    std::memcpy(p, &v, sizeof v);
}

bool ParseInt64(const std::string& s, std::int64_t& out)
{
    if (s.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || end != s.c_str() + s.size())
        return false;
    out = v;
    return true;
}

bool ParseDouble(const std::string& s, double& out)
{
    if (s.empty())
        return false;
    std::string t = s;
    std::replace(t.begin(), t.end(), ',', '.');
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (errno == ERANGE || end != t.c_str() + t.size())
        return false;
    out = v;
    return true;
}

std::int64_t Pow10(int n)
{
    std::int64_t r = 1;
    for (int i = 0; i < n; ++i)
        r *= 10;
    return r;
}

// Days since 1858-11-17 (the server's date origin) from a civil date.
long DaysFromCivil(long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468 + 40587;
}

void CivilFromDays(long z, long& y, unsigned& m, unsigned& d)
{
    z += 719468 - 40587;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

std::string FormatDate(std::int32_t days)
{
    long y;
    unsigned m, d;
    CivilFromDays(days, y, m, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04ld-%02u-%02u", y, m, d);
    return buf;
}

std::string FormatTime(std::uint32_t t)
{
    unsigned frac = t % 10000;
    unsigned s = t / 10000;
    char buf[32];
    if (frac)
        std::snprintf(buf, sizeof buf, "%02u:%02u:%02u.%04u", s / 3600, (s / 60) % 60, s % 60, frac);
    else
        std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", s / 3600, (s / 60) % 60, s % 60);
    return buf;
}

bool ParseDate(const std::string& s, std::int32_t& days)
{
    int y, m, d, n = 0;
    if (std::sscanf(s.c_str(), "%d-%d-%d%n", &y, &m, &d, &n) != 3 || n != static_cast<int>(s.size()))
        return false;
    if (m < 1 || m > 12 || d < 1 || d > 31)
        return false;
    days = static_cast<std::int32_t>(DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)));
    long yy;
    unsigned mm, dd;
    CivilFromDays(days, yy, mm, dd);
    return yy == y && static_cast<int>(mm) == m && static_cast<int>(dd) == d;
}

bool ParseTime(const std::string& s, std::uint32_t& t)
{
    int h = 0, mi = 0, n = 0;
    double sec = 0;
    if (std::sscanf(s.c_str(), "%d:%d:%lf%n", &h, &mi, &sec, &n) == 3 && n == static_cast<int>(s.size())) {
    } else if (std::sscanf(s.c_str(), "%d:%d%n", &h, &mi, &n) == 2 && n == static_cast<int>(s.size())) {
        sec = 0;
    } else {
        return false;
    }
    if (h < 0 || h > 23 || mi < 0 || mi > 59 || sec < 0 || sec >= 60)
        return false;
    t = static_cast<std::uint32_t>((h * 3600 + mi * 60) * 10000 + std::llround(sec * 10000));
    return true;
}

char HexDigit(int v) { return "0123456789ABCDEF"[v & 15]; }

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Closes (or cancels) a blob handle on every way out; uses its own
// status vector so the session's error report is not overwritten.
struct BlobHandle {
    isc_blob_handle h = 0;
    bool cancel = false;
    ~BlobHandle()
    {
        if (!h)
            return;
        ISC_STATUS_ARRAY st = {};
        const auto& api = detail::Api();
        if (cancel && api.dll_cancel_blob)
            api.dll_cancel_blob(st, &h);
        else if (api.dll_close_blob)
            api.dll_close_blob(st, &h);
    }
};

} // namespace

// --- change protocol ----------------------------------------------------------

class TIB_Column::ChangeScope {
public:
    explicit ChangeScope(TIB_Column& c) : c_(c)
    {
        c_.row_.BeforeChange(c_);
        saved_.assign(c_.ind_, c_.ind_ + 2);
        saved_.insert(saved_.end(), c_.data_, c_.data_ + c_.DataSize());
        savedNode_ = c_.node_;
        savedType_ = c_.def_.SQLType;
    }
    ~ChangeScope()
    {
        if (!done_)
            Restore();
    }
    void Commit()
    {
        try {
            if (c_.OnChange)
                c_.OnChange(c_);
            c_.row_.ColumnChanged(c_);
        } catch (...) {
            Restore();
            done_ = true;
            throw;
        }
        done_ = true;
        c_.row_.AfterChange(c_);
    }

private:
    void Restore() noexcept
    {
        std::memcpy(c_.ind_, saved_.data(), 2);
        std::memcpy(c_.data_, saved_.data() + 2, saved_.size() - 2);
        c_.node_ = savedNode_;
        if (c_.def_.SQLType != savedType_) {
            c_.def_.SQLType = savedType_;
            c_.row_.UpdateVar(c_);
        }
    }
    TIB_Column& c_;
    std::vector<unsigned char> saved_;
    std::shared_ptr<TIB_BlobNode> savedNode_;
    int savedType_ = 0;
    bool done_ = false;
};

// --- base ----------------------------------------------------------------------

TIB_Column::TIB_Column(TIB_Row& row, int index, const TIB_ColumnDef& def) : row_(row), index_(index), def_(def)
{
    serverNullable_ = (def.SQLType & 1) != 0;
    const int dialect = row.Dialect();
    if (def.AliasName.empty() && dialect < 3)
        fieldName_ = "COLUMN" + std::to_string(index);
    else
        fieldName_ = FormatIdentifier(dialect, def.AliasName);
    if (SameText(def.SQLName, "DB_KEY"))
        sqlName_ = "RDB$DB_KEY";
    else
        sqlName_ = FormatIdentifier(dialect, def.SQLName);
    relName_ = def.RelName.empty() ? std::string() : FormatIdentifier(dialect, def.RelName);
}

TIB_Column::~TIB_Column() = default;

int TIB_Column::Dialect() const { return row_.Dialect(); }

int TIB_Column::DataSize() const { return def_.SQLLen + (DataType() == SQLTYPE_VARYING ? 2 : 0); }

char TIB_Column::FillByte() const
{
    int t = DataType();
    return ((t == SQLTYPE_TEXT || t == SQLTYPE_VARYING) && !binary_) ? ' ' : '\0';
}

std::string TIB_Column::FullFieldName() const
{
    if (!relName_.empty() && fieldName_ == sqlName_)
        return relName_ + "." + fieldName_;
    return fieldName_;
}

std::string TIB_Column::BestFieldName() const
{
    return row_.RelationCount() < 2 ? fieldName_ : FullFieldName();
}

bool TIB_Column::Computed() const
{
    if (IsCalculated())
        return false;
    if (computedAttribute_)
        return true;
    TIB_Statement* st = row_.Statement();
    if (!st || !st->IB_Connection() || !st->IB_Connection()->Connected() || relName_.empty())
        return false;
    const TIB_StringList& list = st->IB_Connection()->ComputedList();
    std::string key = sqlName_ + "," + relName_;
    return std::find(list.begin(), list.end(), key) != list.end();
}

std::int16_t TIB_Column::Indicator() const { return Load<std::int16_t>(ind_); }

void TIB_Column::SetIndicator(std::int16_t v) { Store(ind_, v); }

bool TIB_Column::IsNull() const { return Indicator() < 0; }

void TIB_Column::Blank()
{
    std::memset(data_, FillByte(), static_cast<size_t>(DataSize()));
    if (DataType() == SQLTYPE_VARYING)
        Store<std::uint16_t>(data_, 0);
}

void TIB_Column::AddNullBit()
{
    if ((def_.SQLType & 1) == 0) {
        def_.SQLType |= 1;
        row_.UpdateVar(*this);
    }
}

std::string TIB_Column::ApplyCase(std::string s) const
{
    if (charCase_ == TIB_CharCase::ccUpper) {
        for (char& c : s)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
    } else if (charCase_ == TIB_CharCase::ccLower) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

std::string TIB_Column::ApplyTrim(std::string s) const
{
    switch (trimming_) {
    case TIB_ColumnTrimming::ctNone: return s;
    case TIB_ColumnTrimming::ctRight: {
        size_t e = s.size();
        while (e > 0 && s[e - 1] == ' ')
            --e;
        s.resize(e);
        return s;
    }
    case TIB_ColumnTrimming::ctLeft: {
        size_t b = 0;
        while (b < s.size() && s[b] == ' ')
            ++b;
        return s.substr(b);
    }
    case TIB_ColumnTrimming::ctBoth: {
        size_t b = 0, e = s.size();
        while (b < e && s[b] == ' ')
            ++b;
        while (e > b && s[e - 1] == ' ')
            --e;
        return s.substr(b, e - b);
    }
    case TIB_ColumnTrimming::ctAll: s.erase(std::remove(s.begin(), s.end(), ' '), s.end()); return s;
    case TIB_ColumnTrimming::ctSentence: {
        std::string r;
        for (char c : s)
            if (c != ' ' || (!r.empty() && r.back() != ' '))
                r += c;
        while (!r.empty() && r.back() == ' ')
            r.pop_back();
        return r;
    }
    }
    return s;
}

bool TIB_Column::HandleEmptyNumber(const std::string& trimmed)
{
    if (!trimmed.empty())
        return false;
    bool zero = !serverNullable_ && (row_.Kind() == TIB_RowKind::rkInput || !blankIsNull_);
    if (zero) {
        std::memset(data_, 0, static_cast<size_t>(DataSize()));
        SetIndicator(0);
    } else {
        AddNullBit();
        SetIndicator(-1);
        Blank();
    }
    return true;
}

std::string TIB_Column::AsString() const { return IsNull() ? std::string() : GetText(data_); }

std::int64_t TIB_Column::AsInt64() const { return IsNull() ? 0 : GetInt(data_); }

double TIB_Column::AsDouble() const { return IsNull() ? 0.0 : GetFloat(data_); }

std::int64_t TIB_Column::GetInt(const unsigned char* data) const
{
    std::string t = Trim(GetText(data));
    if (t.empty())
        return 0;
    std::int64_t v;
    if (ParseInt64(t, v))
        return v;
    double d;
    if (ParseDouble(t, d) && std::isfinite(d))
        return static_cast<std::int64_t>(std::trunc(d));
    throw EIB_ColumnError("'" + t + "' is not a valid integer value");
}

double TIB_Column::GetFloat(const unsigned char* data) const
{
    std::string t = Trim(GetText(data));
    if (t.empty())
        return 0.0;
    double d;
    if (ParseDouble(t, d))
        return d;
    throw EIB_ColumnError("'" + t + "' is not a valid floating point value");
}

void TIB_Column::PutFloat(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    PutText(buf);
}

void TIB_Column::SetAsString(const std::string& value)
{
    ChangeScope scope(*this);
    PutText(value);
    scope.Commit();
}

void TIB_Column::SetAsInteger(std::int64_t value)
{
    ChangeScope scope(*this);
    PutInt(value);
    scope.Commit();
}

void TIB_Column::SetAsDouble(double value)
{
    ChangeScope scope(*this);
    PutFloat(value);
    scope.Commit();
}

void TIB_Column::SetIsNull(bool value)
{
    ChangeScope scope(*this);
    if (value) {
        AddNullBit();
        SetIndicator(-1);
        Blank();
        if (IsBlob())
            node_.reset();
    } else {
        SetIndicator(0);
    }
    scope.Commit();
}

void TIB_Column::Assign(const TIB_Column& source)
{
    ChangeScope scope(*this);
    PutAssign(source);
    scope.Commit();
}

void TIB_Column::PutAssign(const TIB_Column& source)
{
    if (source.IsNull()) {
        AddNullBit();
        SetIndicator(-1);
        Blank();
        return;
    }
    if (source.DataType() == DataType() && source.def_.SQLLen == def_.SQLLen &&
        source.def_.SQLScale == def_.SQLScale && !source.IsBlob()) {
        std::memcpy(data_, source.data_, static_cast<size_t>(DataSize()));
        SetIndicator(0);
        return;
    }
    PutText(source.AsString());
}

std::string TIB_Column::OldAsString() const
{
    const unsigned char* ind = row_.OldBuffer() + offset_;
    if (Load<std::int16_t>(ind) < 0)
        return {};
    return GetText(ind + (data_ - ind_));
}

bool TIB_Column::OldIsNull() const { return Load<std::int16_t>(row_.OldBuffer() + offset_) < 0; }

bool TIB_Column::IsModified() const
{
    const unsigned char* oldInd = row_.OldBuffer() + offset_;
    const unsigned char* oldData = oldInd + (data_ - ind_);
    bool curNull = IsNull(), oldNull = Load<std::int16_t>(oldInd) < 0;
    if (curNull || oldNull)
        return curNull != oldNull;
    if (IsBlob()) {
        if (std::memcmp(data_, oldData, 8) == 0)
            return false;
        if (node_ && node_->Changed)
            return node_->Data != OldAsString();
        return true;
    }
    if (DataType() == SQLTYPE_VARYING) {
        // Only the length and the characters count: the bytes after them
        // are whatever the buffer held before.
        const auto curLen = std::min<std::uint16_t>(Load<std::uint16_t>(data_), static_cast<std::uint16_t>(def_.SQLLen));
        const auto oldLen = std::min<std::uint16_t>(Load<std::uint16_t>(oldData), static_cast<std::uint16_t>(def_.SQLLen));
        return curLen != oldLen || std::memcmp(data_ + 2, oldData + 2, curLen) != 0;
    }
    return std::memcmp(data_, oldData, static_cast<size_t>(DataSize())) != 0;
}

// --- text ----------------------------------------------------------------------

std::string TIB_ColumnText::GetText(const unsigned char* data) const
{
    const char* p = reinterpret_cast<const char*>(data);
    size_t n = strnlen(p, static_cast<size_t>(def_.SQLLen));
    return ApplyTrim(ApplyCase(std::string(p, n)));
}

void TIB_ColumnText::PutText(const std::string& text)
{
    std::string t = ApplyTrim(ApplyCase(text));
    Blank();
    if (t.empty() && blankIsNull_) {
        AddNullBit();
        SetIndicator(-1);
        return;
    }
    SetIndicator(0);
    std::memcpy(data_, t.data(), std::min(t.size(), static_cast<size_t>(def_.SQLLen)));
}

std::string TIB_ColumnVarText::GetText(const unsigned char* data) const
{
    size_t n = std::min<size_t>(Load<std::uint16_t>(data), static_cast<size_t>(def_.SQLLen));
    return ApplyTrim(ApplyCase(std::string(reinterpret_cast<const char*>(data + 2), n)));
}

void TIB_ColumnVarText::PutText(const std::string& text)
{
    std::string t = ApplyTrim(ApplyCase(text));
    Blank();
    if (t.empty() && blankIsNull_) {
        AddNullBit();
        SetIndicator(-1);
        return;
    }
    SetIndicator(0);
    size_t n = std::min(t.size(), static_cast<size_t>(def_.SQLLen));
    Store<std::uint16_t>(data_, static_cast<std::uint16_t>(n));
    std::memcpy(data_ + 2, t.data(), n);
}

std::string TIB_ColumnDB_KEY::GetText(const unsigned char* data) const
{
    std::string r;
    for (int i = 0; i < def_.SQLLen; ++i) {
        r += HexDigit(data[i] >> 4);
        r += HexDigit(data[i]);
    }
    return r;
}

void TIB_ColumnDB_KEY::PutText(const std::string& text)
{
    std::string t = Trim(text);
    std::memset(data_, 0, static_cast<size_t>(DataSize()));
    if (t.empty()) {
        AddNullBit();
        SetIndicator(-1);
        return;
    }
    if (t.size() % 2 != 0 || t.size() / 2 > static_cast<size_t>(def_.SQLLen))
        throw EIB_ColumnError("Invalid DB_KEY value");
    for (size_t i = 0; i < t.size(); i += 2) {
        int hi = HexValue(t[i]), lo = HexValue(t[i + 1]);
        if (hi < 0 || lo < 0)
            throw EIB_ColumnError("Invalid DB_KEY value");
        data_[i / 2] = static_cast<unsigned char>(hi * 16 + lo);
    }
    SetIndicator(0);
}

// --- integers --------------------------------------------------------------------

std::int64_t TIB_ColumnIntegral::GetInt(const unsigned char* data) const
{
    switch (DataType()) {
    case SQLTYPE_SHORT: return Load<std::int16_t>(data);
    case SQLTYPE_LONG: return Load<std::int32_t>(data);
    default: return Load<std::int64_t>(data);
    }
}

std::string TIB_ColumnIntegral::GetText(const unsigned char* data) const { return std::to_string(GetInt(data)); }

void TIB_ColumnIntegral::PutInt(std::int64_t v)
{
    switch (DataType()) {
    case SQLTYPE_SHORT:
        if (v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max())
            throw EIB_ColumnError("Value out of range");
        Store(data_, static_cast<std::int16_t>(v));
        break;
    case SQLTYPE_LONG:
        if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
            throw EIB_ColumnError("Value out of range");
        Store(data_, static_cast<std::int32_t>(v));
        break;
    default: Store(data_, v); break;
    }
    SetIndicator(0);
}

void TIB_ColumnIntegral::PutText(const std::string& text)
{
    std::string t = Trim(text);
    if (HandleEmptyNumber(t))
        return;
    std::int64_t v;
    if (!ParseInt64(t, v)) {
        if (errno == ERANGE)
            throw EIB_ColumnError("Value out of range");
        throw EIB_ColumnError("'" + t + "' is not a valid integer value");
    }
    PutInt(v);
}

void TIB_ColumnIntegral::PutFloat(double v)
{
    if (!std::isfinite(v) || std::fabs(v) > 9.2e18)
        throw EIB_ColumnError("Value out of range");
    PutInt(std::llround(v));
}

// --- numeric ------------------------------------------------------------------------

std::int64_t TIB_ColumnNumeric::Raw(const unsigned char* data) const
{
    switch (DataType()) {
    case SQLTYPE_SHORT: return Load<std::int16_t>(data);
    case SQLTYPE_LONG: return Load<std::int32_t>(data);
    default: return Load<std::int64_t>(data);
    }
}

void TIB_ColumnNumeric::PutRaw(std::int64_t v)
{
    switch (DataType()) {
    case SQLTYPE_SHORT:
        if (v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max())
            throw EIB_ColumnError("Value out of range");
        Store(data_, static_cast<std::int16_t>(v));
        break;
    case SQLTYPE_LONG:
        if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
            throw EIB_ColumnError("Value out of range");
        Store(data_, static_cast<std::int32_t>(v));
        break;
    default: Store(data_, v); break;
    }
    SetIndicator(0);
}

std::string TIB_ColumnNumeric::GetText(const unsigned char* data) const
{
    const int digits = -def_.SQLScale;
    if (DataType() == SQLTYPE_DOUBLE || DataType() == SQLTYPE_FLOAT) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*f", digits > 0 ? digits : 0, GetFloat(data));
        return buf;
    }
    std::int64_t raw = Raw(data);
    if (digits <= 0) {
        std::string s = std::to_string(raw);
        return raw == 0 ? s : s + std::string(static_cast<size_t>(-digits), '0');
    }
    bool negative = raw < 0;
    // Work with the magnitude as unsigned to cover the minimum value.
    unsigned long long mag = negative ? 0ULL - static_cast<unsigned long long>(raw) : static_cast<unsigned long long>(raw);
    std::string s = std::to_string(mag);
    if (s.size() <= static_cast<size_t>(digits))
        s.insert(0, static_cast<size_t>(digits) - s.size() + 1, '0');
    s.insert(s.size() - static_cast<size_t>(digits), ".");
    return negative ? "-" + s : s;
}

double TIB_ColumnNumeric::GetFloat(const unsigned char* data) const
{
    if (DataType() == SQLTYPE_DOUBLE)
        return Load<double>(data);
    if (DataType() == SQLTYPE_FLOAT)
        return Load<float>(data);
    return static_cast<double>(Raw(data)) / static_cast<double>(Pow10(-def_.SQLScale));
}

std::int64_t TIB_ColumnNumeric::GetInt(const unsigned char* data) const
{
    if (DataType() == SQLTYPE_DOUBLE || DataType() == SQLTYPE_FLOAT)
        return std::llround(GetFloat(data));
    std::int64_t raw = Raw(data);
    std::int64_t p = Pow10(-def_.SQLScale);
    std::int64_t q = raw / p, r = raw % p;
    if (2 * (r < 0 ? -r : r) >= p)
        q += raw < 0 ? -1 : 1;
    return q;
}

void TIB_ColumnNumeric::PutFloat(double v)
{
    if (!std::isfinite(v))
        throw EIB_ColumnError("Value out of range");
    if (DataType() == SQLTYPE_DOUBLE) {
        Store(data_, v);
        SetIndicator(0);
        return;
    }
    if (DataType() == SQLTYPE_FLOAT) {
        Store(data_, static_cast<float>(v));
        SetIndicator(0);
        return;
    }
    double scaled = v * static_cast<double>(Pow10(-def_.SQLScale));
    if (std::fabs(scaled) > 9.2e18)
        throw EIB_ColumnError("Value out of range");
    PutRaw(std::llround(scaled));
}

void TIB_ColumnNumeric::PutText(const std::string& text)
{
    std::string t = Trim(text);
    if (HandleEmptyNumber(t))
        return;
    if (DataType() == SQLTYPE_DOUBLE || DataType() == SQLTYPE_FLOAT) {
        double d;
        if (!ParseDouble(t, d))
            throw EIB_ColumnError("'" + t + "' is not a valid floating point value");
        PutFloat(d);
        return;
    }
    // Exact decimal: [sign] digits [(.|,) digits]
    const int digits = -def_.SQLScale;
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+'))
        negative = t[i++] == '-';
    std::string intPart, fracPart;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9')
        intPart += t[i++];
    if (i < t.size() && (t[i] == '.' || t[i] == ','))
        for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i)
            fracPart += t[i];
    if (i != t.size() || (intPart.empty() && fracPart.empty())) {
        double d;
        if (!ParseDouble(t, d))
            throw EIB_ColumnError("'" + t + "' is not a valid floating point value");
        PutFloat(d);
        return;
    }
    bool roundUp = false;
    if (fracPart.size() > static_cast<size_t>(std::max(digits, 0))) {
        roundUp = fracPart[static_cast<size_t>(std::max(digits, 0))] >= '5';
        fracPart.resize(static_cast<size_t>(std::max(digits, 0)));
    }
    fracPart.append(static_cast<size_t>(std::max(digits, 0)) - fracPart.size(), '0');
    std::string all = intPart + fracPart;
    all.erase(0, std::min(all.find_first_not_of('0'), all.size()));
    if (all.size() > 18)
        throw EIB_ColumnError("Value out of range");
    std::int64_t raw = all.empty() ? 0 : std::stoll(all);
    if (roundUp)
        ++raw;
    PutRaw(negative ? -raw : raw);
}

// --- floating point ----------------------------------------------------------------

double TIB_ColumnFloatBase::GetFloat(const unsigned char* data) const
{
    return DataType() == SQLTYPE_FLOAT ? static_cast<double>(Load<float>(data)) : Load<double>(data);
}

std::string TIB_ColumnFloatBase::GetText(const unsigned char* data) const
{
    char buf[64];
    if (DataType() == SQLTYPE_FLOAT)
        std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(Load<float>(data)));
    else
        std::snprintf(buf, sizeof buf, "%.15g", Load<double>(data));
    return buf;
}

void TIB_ColumnFloatBase::PutFloat(double v)
{
    if (DataType() == SQLTYPE_FLOAT)
        Store(data_, static_cast<float>(v));
    else
        Store(data_, v);
    SetIndicator(0);
}

void TIB_ColumnFloatBase::PutText(const std::string& text)
{
    std::string t = Trim(text);
    if (HandleEmptyNumber(t))
        return;
    double d;
    if (!ParseDouble(t, d))
        throw EIB_ColumnError("'" + t + "' is not a valid floating point value");
    PutFloat(d);
}

// --- date and time -------------------------------------------------------------------

std::string TIB_ColumnDateTime::GetText(const unsigned char* data) const
{
    switch (DataType()) {
    case SQLTYPE_DATE: return FormatDate(Load<std::int32_t>(data));
    case SQLTYPE_TIME: return FormatTime(Load<std::uint32_t>(data));
    default: return FormatDate(Load<std::int32_t>(data)) + " " + FormatTime(Load<std::uint32_t>(data + 4));
    }
}

void TIB_ColumnDateTime::PutText(const std::string& text)
{
    std::string t = Trim(text);
    if (HandleEmptyNumber(t))
        return;
    bool ok = false;
    std::int32_t days = 0;
    std::uint32_t time = 0;
    switch (DataType()) {
    case SQLTYPE_DATE:
        ok = ParseDate(t, days);
        if (ok)
            Store(data_, days);
        break;
    case SQLTYPE_TIME:
        ok = ParseTime(t, time);
        if (ok)
            Store(data_, time);
        break;
    default: {
        size_t sp = t.find(' ');
        ok = ParseDate(sp == std::string::npos ? t : t.substr(0, sp), days) &&
             (sp == std::string::npos || ParseTime(Trim(t.substr(sp + 1)), time));
        if (ok) {
            Store(data_, days);
            Store(data_ + 4, time);
        }
        break;
    }
    }
    if (!ok)
        throw EIB_ColumnError("'" + t + "' is not a valid date and time");
    SetIndicator(0);
}

// --- boolean, null, array ---------------------------------------------------------------

std::int64_t TIB_ColumnBoolean::GetInt(const unsigned char* data) const
{
    for (int i = 0; i < DataSize(); ++i)
        if (data[i])
            return 1;
    return 0;
}

std::string TIB_ColumnBoolean::GetText(const unsigned char* data) const { return GetInt(data) ? "TRUE" : "FALSE"; }

void TIB_ColumnBoolean::PutText(const std::string& text)
{
    std::string t = UpperCase(Trim(text));
    if (HandleEmptyNumber(t))
        return;
    bool v;
    if (t == "TRUE" || t == "T" || t == "Y" || t == "YES" || t == "1")
        v = true;
    else if (t == "FALSE" || t == "F" || t == "N" || t == "NO" || t == "0")
        v = false;
    else
        throw EIB_ColumnError("'" + Trim(text) + "' is not a valid boolean value");
    std::memset(data_, 0, static_cast<size_t>(DataSize()));
    if (DataSize() > 0)
        data_[0] = v ? 1 : 0;
    SetIndicator(0);
}

void TIB_ColumnNull::PutText(const std::string& text)
{
    if (text.empty()) {
        AddNullBit();
        SetIndicator(-1);
    } else {
        SetIndicator(0);
    }
}

void TIB_ColumnArray::PutText(const std::string& text)
{
    if (!text.empty())
        throw EIB_ColumnError("Array columns cannot be assigned as text");
    AddNullBit();
    SetIndicator(-1);
    Blank();
}

// --- blobs --------------------------------------------------------------------------------

std::shared_ptr<TIB_BlobNode> TIB_ColumnBlob::NodeFor(const TIB_BlobId& id, bool current) const
{
    if (node_ && node_->Id == id)
        return node_;
    if (auto cached = row_.FindBlob(id)) {
        if (current)
            node_ = cached;
        return cached;
    }
    auto node = std::make_shared<TIB_BlobNode>();
    node->Id = id;
    static const TIB_BlobId zero{};
    if (id != zero)
        Load(*node);
    node->Loaded = true;
    row_.CacheBlob(node);
    if (current)
        node_ = node;
    return node;
}

std::string TIB_ColumnBlob::GetText(const unsigned char* data) const
{
    if (shareSource_) {
        if (auto* src = dynamic_cast<const TIB_ColumnBlob*>(shareSource_))
            return src->GetText(data);
    }
    TIB_BlobId id;
    std::memcpy(id.data(), data, id.size());
    return NodeFor(id, data == data_)->Data;
}

void TIB_ColumnBlob::Load(TIB_BlobNode& node) const
{
    TIB_Statement* st = row_.Statement();
    if (!st || !st->IB_Connection())
        throw EIB_Error("Unassigned BlobNode");
    TIB_Connection* conn = st->IB_Connection();
    TIB_Transaction* tr = st->EffectiveTransaction();
    if (!tr)
        throw EIB_StatementError("No active transaction to execute with");
    tr->StartOnDemand();
    const auto& api = detail::Api();
    ISC_STATUS* status = reinterpret_cast<ISC_STATUS*>(st->Session().StatusVector());
    BlobHandle blob;
    ISC_QUAD quad;
    std::memcpy(&quad, node.Id.data(), sizeof quad);
    std::string bpb = BlobParameterBuffer();
    long rc = api.dll_open_blob2(status, conn->DbHandlePtr(), tr->HandlePtr(), &blob.h, &quad,
                                 static_cast<ISC_USHORT>(bpb.size()),
                                 reinterpret_cast<const ISC_UCHAR*>(bpb.empty() ? nullptr : bpb.data()));
    if (rc != 0) {
        blob.h = 0;
        st->ReportAPIError(rc);
        return;
    }
    // No isc_blob_info to size the buffer first: over the network it is a
    // round trip of its own per blob (a third of all of them in an export
    // of a large catalogue). Segments are read into a buffer of the largest
    // segment length, which holds any whole segment, and appended; the data
    // and the line breaks of a BLR blob come out the same.
    constexpr unsigned short kChunk = 65535;
    thread_local std::unique_ptr<char[]> chunk(new char[kChunk]);
    const bool lines = SegmentsAsLines();
    std::string& data = node.Data;
    data.clear();
    long result = 0;
    for (;;) {
        unsigned short actual = 0;
        result = api.dll_get_segment(status, &blob.h, &actual, kChunk, chunk.get());
        if (result != 0 && result != isc_code_segment && result != isc_code_segstr_eof)
            break;
        data.append(chunk.get(), actual);
        if (lines && (result == 0 || (result == isc_code_segstr_eof && actual > 0)))
            data.append("\r\n", 2);
        if (result == isc_code_segstr_eof)
            break;
    }
    data.shrink_to_fit();
    if (result != 0 && result != isc_code_segstr_eof && result != isc_code_segment) {
        st->ReportAPIError(result);
        return;
    }
    rc = api.dll_close_blob(status, &blob.h);
    blob.h = 0;
    if (rc != 0)
        st->ReportAPIError(rc);
    node.Loaded = true;
}

TIB_BlobInfo TIB_ColumnBlob::ReadBlobInfo() const
{
    TIB_BlobInfo r;
    if (IsNull())
        return r;
    TIB_Statement* st = row_.Statement();
    if (!st || !st->IB_Connection())
        throw EIB_Error("Unassigned BlobNode");
    TIB_Transaction* tr = st->EffectiveTransaction();
    tr->StartOnDemand();
    const auto& api = detail::Api();
    ISC_STATUS* status = reinterpret_cast<ISC_STATUS*>(st->Session().StatusVector());
    BlobHandle blob;
    ISC_QUAD quad;
    std::memcpy(&quad, data_, sizeof quad);
    long rc = api.dll_open_blob2(status, st->IB_Connection()->DbHandlePtr(), tr->HandlePtr(), &blob.h, &quad, 0, nullptr);
    if (rc != 0) {
        blob.h = 0;
        st->ReportAPIError(rc);
        return r;
    }
    static const char items[] = {isc_info_blob_max_segment, isc_info_blob_total_length, isc_info_blob_num_segments,
                                 isc_info_end};
    char info[32] = {};
    rc = api.dll_blob_info(status, &blob.h, sizeof items, items, sizeof info, info);
    if (rc != 0) {
        st->ReportAPIError(rc);
        return r;
    }
    for (size_t i = 0; i + 3 <= sizeof info && info[i] != isc_info_end;) {
        int tag = static_cast<unsigned char>(info[i]);
        int len = static_cast<int>(api.dll_vax_integer(info + i + 1, 2));
        if (i + 3 + static_cast<size_t>(len) > sizeof info)
            break;
        long v = static_cast<long>(api.dll_vax_integer(info + i + 3, static_cast<short>(len)));
        if (tag == isc_info_blob_max_segment)
            r.MaxSegment = v;
        else if (tag == isc_info_blob_total_length)
            r.TotalLength = v;
        else if (tag == isc_info_blob_num_segments)
            r.Segments = v;
        i += 3 + static_cast<size_t>(len);
    }
    return r;
}

void TIB_ColumnBlob::PutText(const std::string& text)
{
    // A fresh node: the previous one stays cached under its identifier.
    auto node = std::make_shared<TIB_BlobNode>();
    node->Changed = true;
    node->Loaded = true;
    std::memset(data_, 0, 8);
    AddNullBit();
    SetIndicator(-1);
    node_ = node;
    if (text.empty() && blankIsNull_)
        return;
    node->Data = text;
    SetIndicator(0);
}

void TIB_ColumnBlob::PutAssign(const TIB_Column& source)
{
    if (source.IsNull()) {
        AddNullBit();
        SetIndicator(-1);
        Blank();
        node_.reset();
        return;
    }
    PutText(source.AsString());
}

} // namespace varnel::db
