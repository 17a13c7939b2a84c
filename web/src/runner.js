// Runs programs in a worker, one at a time. Stop ends the worker at once
// (whatever the program is doing) and starts a fresh one for the next run.
export class Runner {
  constructor(workerUrl) {
    this.workerUrl = workerUrl;
    this.pending = null;
    this.start();
  }

  start() {
    this.worker = new Worker(this.workerUrl, { type: 'module' });
    this.ready = new Promise((resolve) => {
      this.worker.onmessage = ({ data }) => {
        if (data.ready || (data.error && !this.pending)) {
          resolve();
          return;
        }
        const pending = this.pending;
        this.pending = null;
        if (!pending) return;
        if (data.error) pending.reject(new Error(data.error));
        else pending.resolve(data.result);
      };
    });
    this.worker.onerror = (event) => {
      event.preventDefault();
      this.pending?.reject(new Error(event.message || 'the worker failed'));
      this.pending = null;
    };
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
      this.worker.postMessage(request);
    });
  }

  stop() {
    if (!this.pending) return;
    this.worker.terminate();
    const pending = this.pending;
    this.pending = null;
    pending.resolve(null);
    this.start();
  }
}
