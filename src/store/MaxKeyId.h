// GetMaxKeyId: the highest KeyId of a table, which the original key
// allocation takes as the key of the row just inserted.
#pragma once

class CDbSession;

// Runs " select max(keyid) as maxid from " + table. 0 for an empty table or a
// NULL maximum, -1 when the query fails (a missing table, no session).
int GetMaxKeyId(CDbSession* session, const char* table);
