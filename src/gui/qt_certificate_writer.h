#pragma once

// The certificate on A4 through Qt's PDF writer: real text, the charts painted by the Measure
// page's own chart code. Page one carries the verdict, the identification, the charts and the
// tables; the judged items follow on page two.

#include "reports/certificate.h"

namespace halvo::gui {

class QtCertificateWriter : public CertificateWriter {
public:
    bool writePdf(const Certificate& certificate, const std::string& path, std::string* error) override;
};

}  // namespace halvo::gui
