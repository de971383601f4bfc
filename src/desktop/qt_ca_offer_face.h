#pragma once

#include "shell/ca_offer.h"

#include <QPointer>
#include <QWidget>

namespace zumaset {

// The certificate offer on a desktop: the question as a Yes/No box with the
// information icon, each certificate in the import dialog, the other boxes
// with one OK button. Everything modal, owned by `owner` when there is one.
// UI thread only.
class QtCaOfferFace final : public CaOfferFace {
public:
    explicit QtCaOfferFace(QWidget* owner = nullptr) : owner_(owner) {}

    bool AskYesNo(std::string_view title, std::string_view text) override;
    bool ConfirmImport(std::string_view title, const CertificateInfo& info) override;
    void ShowBox(std::string_view title, std::string_view text, MessageIcon icon) override;

private:
    QPointer<QWidget> owner_;
};

} // namespace zumaset
