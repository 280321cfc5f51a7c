#pragma once
// What the main window needs of its connection's login parameters: the user
// name and the role. A setter may refuse: the connection raises "Cannot
// change while connected" while it is attached, and a settings load stops
// there.
#include <string>

class TLoginParams {
public:
    virtual ~TLoginParams();
    virtual std::string Username() const = 0;
    virtual void SetUsername(const std::string& value) = 0;
    virtual std::string SQLRole() const = 0;
    virtual void SetSQLRole(const std::string& value) = 0;
};

// Holds the two values itself; starts with the user name "SYSDBA" and no
// role, as the window's connection is designed.
class TStoredLoginParams : public TLoginParams {
public:
    std::string Username() const override { return FUsername; }
    void SetUsername(const std::string& value) override { FUsername = value; }
    std::string SQLRole() const override { return FSQLRole; }
    void SetSQLRole(const std::string& value) override { FSQLRole = value; }

private:
    std::string FUsername = "SYSDBA";
    std::string FSQLRole;
};

// Forwards to an object with Username()/SetUsername()/SQLRole()/SetSQLRole()
// (the window's connection). Does not own it.
template <class TConnection>
class TLoginParamsOf : public TLoginParams {
public:
    explicit TLoginParamsOf(TConnection& connection) : FConnection(connection) {}
    std::string Username() const override { return FConnection.Username(); }
    void SetUsername(const std::string& value) override { FConnection.SetUsername(value); }
    std::string SQLRole() const override { return FConnection.SQLRole(); }
    void SetSQLRole(const std::string& value) override { FConnection.SetSQLRole(value); }

private:
    TConnection& FConnection;
};
