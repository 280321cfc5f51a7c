// Composition of a server error report from what the client library's
// interpreter returned.
#include "db/IB_Error.h"

#include <gtest/gtest.h>

using namespace varnel::db;

namespace {

TEST(ComposeErrorInfo, HeaderLinesTrimmedTextsAndCrLfMessage)
{
    TIB_ErrorInfo i = ComposeErrorInfo(335544569,
                                       {{"  Dynamic SQL Error ", 335544569},
                                        {"SQL error code = -204", 335544436},
                                        {"Table unknown", 335544580},
                                        {"NOPE", 335544382}},
                                       -204, "Table unknown");
    EXPECT_EQ(i.ErrorMessage, TIB_StringList({"ISC ERROR CODE:335544569", "", "ISC ERROR MESSAGE:",
                                              "Dynamic SQL Error", "SQL error code = -204", "Table unknown",
                                              "NOPE"}));
    EXPECT_EQ(i.ErrorCodes, TIB_StringList({"335544569", "335544436", "335544580", "335544382"}));
    EXPECT_EQ(i.Message, "ISC ERROR CODE:335544569\r\n\r\nISC ERROR MESSAGE:\r\nDynamic SQL Error\r\n"
                         "SQL error code = -204\r\nTable unknown\r\nNOPE\r\n");
    EXPECT_EQ(i.SQLMessage, TIB_StringList({"SQL ERROR CODE:-204", "", "SQL ERROR MESSAGE:", "Table unknown"}));
}

TEST(ComposeErrorInfo, DropsBackToBackRepeatsAndEmptyTextsButCountsTheirCodes)
{
    TIB_ErrorInfo i =
        ComposeErrorInfo(1, {{"same", 11}, {"same ", 12}, {"", 13}, {"other", 14}, {"same", 15}}, 0, "");
    EXPECT_EQ(i.ErrorMessage, TIB_StringList({"ISC ERROR CODE:1", "", "ISC ERROR MESSAGE:", "same", "other", "same"}));
    EXPECT_EQ(i.ErrorCodes.size(), 5u);
    EXPECT_TRUE(i.SQLMessage.empty()) << "SQLCODE 0 adds no SQL message";
}

TEST(ComposeErrorInfo, SqlMessageOnlyWhenItAddsSomething)
{
    EXPECT_TRUE(ComposeErrorInfo(1, {{"Table unknown", 1}}, -204, " Table unknown ").SQLMessage.empty());
    EXPECT_TRUE(ComposeErrorInfo(1, {{"x", 1}}, -999, "y").SQLMessage.empty());
}

TEST(ComposeErrorInfo, CutsTheMessageTo255Characters)
{
    std::string longText(300, 'x');
    TIB_ErrorInfo i = ComposeErrorInfo(335544517, {{longText, 335544382}}, -902, "");
    EXPECT_EQ(i.Message.size(), 255u);
    EXPECT_EQ(i.ErrorMessage.back(), longText) << "the full text stays in ErrorMessage";
}

TEST(ComposeErrorInfo, ProcedureExceptionShowsItsOwnText)
{
    // Firebird: "exception N", the exception's name, its text, the place.
    TIB_ErrorInfo fb = ComposeErrorInfo(335544517,
                                        {{"exception 1", 335544517},
                                         {"E_TEST", 335544382},
                                         {"My own exception text", 335544382},
                                         {"At procedure 'P' line: 1, col: 29", 335544842}},
                                        -836, "exception");
    EXPECT_EQ(fb.Message, "My own exception text");
    // Older servers put the text right after "exception N".
    TIB_ErrorInfo old = ComposeErrorInfo(335544517, {{"exception 1", 335544517}, {"Old style text", 335544382}},
                                         -836, "exception");
    EXPECT_EQ(old.Message, "Old style text");
}

TEST(LostConnectionCodes, ConnectionAndTransactionSets)
{
    for (long c : {335544528L, 335544721L, 335544724L, 335544727L, 335544741L})
        EXPECT_TRUE(IsConnectionLostCode(c)) << c;
    EXPECT_FALSE(IsConnectionLostCode(335544648));
    EXPECT_FALSE(IsConnectionLostCode(335544569));
    for (long c : {335544721L, 335544648L, 335544528L})
        EXPECT_TRUE(IsTransactionLostCode(c)) << c;
    EXPECT_FALSE(IsTransactionLostCode(335544726));
}

} // namespace
