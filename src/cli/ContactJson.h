// The JSON object of one contact in `brenvale-cli scan --json`.
#pragma once

#include "JsonWriter.h"
#include "extract/Records.h"

namespace cli {

// Writes `contact` as one object: deleted, the one-text fields (email, address, social, url,
// phones, company, name), then firstName, lastName, organization, jobTitle, birthday, note,
// phoneList and emailList as [{label, value}] and addresses as
// [{label, street, city, postalCode, country}].
void writeContact(JsonWriter& json, const extract::ContactRecord& contact);

} // namespace cli
