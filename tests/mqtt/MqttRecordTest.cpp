// The URL, the call record and the client id: bytes in, values out.
