// The uninstaller's feedback questions, posted to the web site's feedback form.
#include "commands/uninstall_feedback.h"
#include "platform/os_description.h"
#include "web/endpoints.h"
#include "web/web_service.h"

namespace {

FormField Copied(const String::_tstringW& value) {
  FormField field;
  field.kind = 4;  // CURLFORM_COPYCONTENTS
  field.value = value;
  return field;
}

}  // namespace

void SendUninstallFeedback(String::_tstringW lang, String::_tstringW factors,
                           String::_tstringW star, String::_tstringW comments) {
  // The form goes out in field-name order, whatever the order here.
  FormFields fields;
  fields[L"mailType"] = Copied(L"qiv_uninstall");
  fields[L"factors"] = Copied(factors);
  fields[L"star"] = Copied(star);
  fields[L"lang"] = Copied(lang);
  fields[L"sysinfo"] = Copied(GetOperatingSystemDescription());
  fields[L"comments"] = Copied(comments);
  fields[L"submit"] = Copied(L"Send");

  const String::_tstringW url =
      String::_tstringW(L"https://") + endpoints::SiteHostName() + L"/feedback";
  CWebService service;
  service.PostFormService(url, String::_tstringW(), &fields, kRequestTimeoutSeconds,
                          kConnectTimeoutSeconds);
}
