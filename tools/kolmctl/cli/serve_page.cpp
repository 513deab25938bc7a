#include "serve_page.h"

namespace kolmctl {

// A first page: the readings as they come, from the API alone.
std::string_view servePage() {
    return R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>KOLM</title></head>
<body><h1 id="title">KOLM</h1><pre id="info"></pre><pre id="last"></pre>
<script>
const token = new URLSearchParams(location.search).get('token') || '';
fetch('/api/info', {headers: {Authorization: 'Bearer ' + token}})
  .then(r => r.json()).then(i => {
    document.getElementById('title').textContent = i.title;
    document.getElementById('info').textContent = JSON.stringify(i, null, 1);
  });
const s = new EventSource('/api/stream?token=' + encodeURIComponent(token));
s.onmessage = e => { document.getElementById('last').textContent = e.data; };
</script></body></html>
)";
}

}  // namespace kolmctl
