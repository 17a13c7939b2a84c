;;; vantel-lsp.el --- vantel-lsp for SNOBOL4 sources, through eglot  -*- lexical-binding: t -*-
;; Load it from your init file: (load "/path/to/vantel-lsp.el").
;; eglot is built into Emacs 29 and later.

(define-derived-mode snobol4-mode prog-mode "SNOBOL4"
  "Major mode for vantel's SNOBOL4 subset; vantel-lsp does the rest.")

(add-to-list 'auto-mode-alist '("\\.sno\\'" . snobol4-mode))

(with-eval-after-load 'eglot
  (add-to-list 'eglot-server-programs '(snobol4-mode "vantel-lsp")))

(add-hook 'snobol4-mode-hook #'eglot-ensure)

(provide 'vantel-lsp)
;;; vantel-lsp.el ends here
