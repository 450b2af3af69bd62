// The JSON object of one contact.
#include "ContactJson.h"

namespace cli {

namespace {

void writeValues(JsonWriter& json, const std::vector<extract::ContactValue>& values)
{
    json.beginArray();
    for (const extract::ContactValue& value : values) {
        json.beginObject();
        json.member("label", value.label);
        json.member("value", value.value);
        json.endObject();
    }
    json.endArray();
}

void writeAddresses(JsonWriter& json, const std::vector<extract::ContactAddress>& addresses)
{
    json.beginArray();
    for (const extract::ContactAddress& address : addresses) {
        json.beginObject();
        json.member("label", address.label);
        json.member("street", address.street);
        json.member("city", address.city);
        json.member("postalCode", address.postalCode);
        json.member("country", address.country);
        json.endObject();
    }
    json.endArray();
}

} // namespace

void writeContact(JsonWriter& json, const extract::ContactRecord& c)
{
    json.beginObject();
    json.member("deleted", c.deleted);
    for (const auto& [name, value] : {std::pair{"email", &c.email},
                                      std::pair{"address", &c.address},
                                      std::pair{"social", &c.social},
                                      std::pair{"url", &c.url},
                                      std::pair{"phones", &c.phones},
                                      std::pair{"company", &c.company},
                                      std::pair{"name", &c.name},
                                      std::pair{"firstName", &c.firstName},
                                      std::pair{"lastName", &c.lastName},
                                      std::pair{"organization", &c.company},
                                      std::pair{"jobTitle", &c.jobTitle},
                                      std::pair{"birthday", &c.birthday},
                                      std::pair{"note", &c.note}}) {
        json.member(name, *value);
    }
    json.key("phoneList");
    writeValues(json, c.phoneList);
    json.key("emailList");
    writeValues(json, c.emailList);
    json.key("addresses");
    writeAddresses(json, c.addresses);
    json.endObject();
}

} // namespace cli
