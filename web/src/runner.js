// Runs programs in a worker, one at a time. Stop ends the worker at once
// (whatever the program is doing) and starts a fresh one for the next run.
// The worker's script and the compiled module are fetched once, when the
// page starts, and handed to every worker: after that no run needs the
// network.

// Compiles while the module downloads where the server sends it as
// application/wasm; from the whole download otherwise.
async function compile(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`cannot load ${url}: ${response.status}`);
  if (response.headers.get('content-type')?.startsWith('application/wasm')) {
    return WebAssembly.compileStreaming(response);
  }
  return WebAssembly.compile(await response.arrayBuffer());
}

export class Runner {
  constructor({ worker, wasm }) {
    this.pending = null;
    this.loaded = Promise.all([
      fetch(worker).then((r) => (r.ok ? r.text() : Promise.reject(new Error(`cannot load ${worker}`)))),
      compile(wasm),
    ]).then(([script, module]) => ({
      script: URL.createObjectURL(new Blob([script], { type: 'text/javascript' })),
      module,
    }));
    this.starting = this.start();
    // A page that could not load says so at its first Run.
    this.starting.catch(() => {});
  }

  async start() {
    const { script, module } = await this.loaded;
    const worker = new Worker(script, { type: 'module' });
    this.worker = worker;
    const ready = new Promise((resolve) => {
      worker.onmessage = ({ data }) => {
        if (data.ready) {
          resolve();
          return;
        }
        const pending = this.pending;
        this.pending = null;
        if (data.error) pending?.reject(new Error(data.error));
        else pending?.resolve(data.result);
      };
    });
    worker.onerror = (event) => {
      event.preventDefault();
      this.pending?.reject(new Error(event.message || 'the run failed'));
      this.pending = null;
    };
    worker.postMessage({ module });
    return ready;
  }

  get running() {
    return this.pending !== null;
  }

  // Resolves with vantel's result ({ status, listing, files, stderr, ... }),
  // or with null when the run was stopped.
  run(request) {
    if (this.pending) return Promise.reject(new Error('a run is under way'));
    return new Promise((resolve, reject) => {
      this.pending = { resolve, reject };
      this.starting.then(() => {
        if (this.pending?.resolve === resolve) this.worker.postMessage(request);
      }, reject);
    });
  }

  stop() {
    if (!this.pending) return;
    this.worker?.terminate();
    const pending = this.pending;
    this.pending = null;
    pending.resolve(null);
    this.starting = this.start();
    this.starting.catch(() => {});
  }
}
