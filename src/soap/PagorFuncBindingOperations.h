#pragma once
// The five operations of the PagorFunc service, one class each: its parameters, the request it
// sends and how it reads the "return" values of the answer.

#include "soap/PagorFuncBindingOperation.h"

#include <optional>
#include <string>

namespace penshelf::soap {

// bookopen(strguid): the results are numbers.
class PagorFuncBinding_bookopen final : public PagorFuncBindingOperation {
  public:
    PagorFuncBinding_bookopen(std::shared_ptr<PagorFuncBinding> binding,
                              PagorFuncBindingResponseDelegate* delegate,
                              std::optional<std::string> strguid);

    const std::optional<std::string>& strguid() const { return strguid_; }

    void connectionDidFinishLoading(QNetworkReply& connection) override;

  protected:
    void main() override;

  private:
    std::optional<std::string> strguid_;
};

// synchronous(strcid, strmid)
class PagorFuncBinding_synchronous final : public PagorFuncBindingOperation {
  public:
    PagorFuncBinding_synchronous(std::shared_ptr<PagorFuncBinding> binding,
                                 PagorFuncBindingResponseDelegate* delegate,
                                 std::optional<std::string> strcid,
                                 std::optional<std::string> strmid);

    const std::optional<std::string>& strcid() const { return strcid_; }
    const std::optional<std::string>& strmid() const { return strmid_; }

    void connectionDidFinishLoading(QNetworkReply& connection) override;

  protected:
    void main() override;

  private:
    std::optional<std::string> strcid_;
    std::optional<std::string> strmid_;
};

// getproxyurl(strcid, ntype): the base address of a portal page; the application passes the
// client id "kelva" and the kind of page (2 book, 3 repair).
class PagorFuncBinding_getproxyurl final : public PagorFuncBindingOperation {
  public:
    PagorFuncBinding_getproxyurl(std::shared_ptr<PagorFuncBinding> binding,
                                 PagorFuncBindingResponseDelegate* delegate,
                                 std::optional<std::string> strcid, std::optional<double> ntype);

    const std::optional<std::string>& strcid() const { return strcid_; }
    const std::optional<double>& ntype() const { return ntype_; }

    void connectionDidFinishLoading(QNetworkReply& connection) override;

  protected:
    void main() override;

  private:
    std::optional<std::string> strcid_;
    std::optional<double> ntype_;
};

// test(strmid)
class PagorFuncBinding_test final : public PagorFuncBindingOperation {
  public:
    PagorFuncBinding_test(std::shared_ptr<PagorFuncBinding> binding,
                          PagorFuncBindingResponseDelegate* delegate,
                          std::optional<std::string> strmid);

    const std::optional<std::string>& strmid() const { return strmid_; }

    void connectionDidFinishLoading(QNetworkReply& connection) override;

  protected:
    void main() override;

  private:
    std::optional<std::string> strmid_;
};

// getversion(strpid, strver)
class PagorFuncBinding_getversion final : public PagorFuncBindingOperation {
  public:
    PagorFuncBinding_getversion(std::shared_ptr<PagorFuncBinding> binding,
                                PagorFuncBindingResponseDelegate* delegate,
                                std::optional<std::string> strpid,
                                std::optional<std::string> strver);

    const std::optional<std::string>& strpid() const { return strpid_; }
    const std::optional<std::string>& strver() const { return strver_; }

    void connectionDidFinishLoading(QNetworkReply& connection) override;

  protected:
    void main() override;

  private:
    std::optional<std::string> strpid_;
    std::optional<std::string> strver_;
};

}  // namespace penshelf::soap
