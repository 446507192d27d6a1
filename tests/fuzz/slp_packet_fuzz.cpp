// Fuzzer of the SLPv2 decoder and of the attribute-list and filter parsers:
// arbitrary datagrams never read past their end; whatever decodes encodes to
// a datagram that decodes to the same message.
#include <cstdlib>
#include <string>
#include <vector>

#include "slp/slp_attr.h"
#include "slp/slp_wire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> copy(data, data + size);  // exact bounds for the sanitizer
  slp::Message m;
  std::string why;
  if (slp::Decode(copy.data(), copy.size(), m, &why)) {
    std::vector<uint8_t> again = slp::Encode(m);
    if (again.empty()) abort();
    slp::Message back;
    if (!slp::Decode(again.data(), again.size(), back, &why) || !(back == m)) abort();
  } else if (why.empty()) {
    abort();  // every refusal gives its reason for the trace line
  }
  // The texts as attribute list and as filter.
  std::string text(copy.begin(), copy.end());
  if (auto attrs = slp::ParseAttributes(text)) {
    slp::SelectAttributes(*attrs, "a*,b");
    slp::MatchFilter("(&(a=*x*)(|(b>=3)(!(c=1))))", *attrs);
  }
  slp::MatchFilter(text, *slp::ParseAttributes("(a=1,2),(b=x\\2cy),k"));
  return 0;
}
