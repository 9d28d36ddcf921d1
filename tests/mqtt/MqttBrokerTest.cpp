// The client against a broker that asks for more: a user and password, TLS with a test
// certificate authority, and hostile payloads among good calls.
